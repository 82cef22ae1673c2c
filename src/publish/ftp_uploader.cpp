#include "publish/ftp_uploader.h"

#include "config/calendar_settings.h"
#include "net/ftp_client.h"
#include "net/ftp_reply.h"

namespace mondeliar {

namespace {

constexpr int CommandNotImplemented = 502;

std::string FallbackReason(net::ActiveModeFailure failure)
{
    switch (failure) {
    case net::ActiveModeFailure::PortRefused:
        return "the server refused PORT";
    case net::ActiveModeFailure::DataRefused:
        return "the server could not open the data connection";
    case net::ActiveModeFailure::NoDataConnection:
        return "the server's data connection did not arrive";
    case net::ActiveModeFailure::None:
        break;
    }
    return std::string();
}

}  // namespace

FtpUploader::FtpUploader(const CalendarSettings& s, int timeoutSeconds, const SessionLogger& log)
    : client_(std::make_unique<net::TFtpClient>()), log_(log), atomic_(s.FTPATOMIC)
{
    client_->SetTimeout(timeoutSeconds);
    client_->SetMultiThreaded(false);
    client_->SetLocalAddr("0.0.0.0");
    client_->SetDisplayFileFlag(false);
    client_->SetBinary(true);
    client_->SetShareMode(net::ftpShareExclusive);
    client_->SetOptions(net::ftpAcceptLF);
    client_->SetConnectionType(net::ftpDirect);
    client_->SetHostName(s.FTPHOST);
    client_->SetPort(s.FTPPORT);
    client_->SetUserName(s.FTPUSER);
    client_->SetPassWord(s.FTPPASSWORD);
    client_->SetUsePasv(s.FTPPASSIVE);
    client_->SetUseTls(s.FTPTLS);
    client_->SetTlsFingerprint(s.FTPTLSFINGERPRINT);
    client_->OnDisplay = [this](std::string& line) { Log(MaskedSessionLine(line)); };
}

FtpUploader::~FtpUploader() = default;

bool FtpUploader::Open()
{
    if (LogOn())
        return true;
    if (client_->Connected())
        client_->QuitSession();
    return false;
}

void FtpUploader::Close()
{
    client_->QuitSession();
}

bool FtpUploader::LogOn()
{
    binary_ = false;
    if (!client_->OpenSession())
        return Fail();
    if (client_->UseTls())
        binary_ = client_->TypeBinary();
    return true;
}

bool FtpUploader::Store(const UploadedFile& file)
{
    error_.clear();
    if (atomic_)
        return StoreAtomically(file);
    return StoreWithFallback(file, file.HostFileName);
}

// A failure that passive mode may cure switches to it for the rest of the session and
// tries the file once more. The switch holds only when passive mode works: when it fails too
// (PASV refused, or no data connection to the server's port), the file is lost and the rest
// of the session goes on in active mode.
bool FtpUploader::StoreWithFallback(const UploadedFile& file, const std::string& hostFileName)
{
    if (StoreOnce(file, hostFileName))
        return true;
    const std::string reason = FallbackReason(client_->LastActiveModeFailure());
    if (client_->UsePasv() || reason.empty() || !passiveMayHelp_)
        return Fail();
    Log("! Switching to passive mode for the rest of the session: " + reason);
    client_->SetUsePasv(true);
    switched_ = true;
    // A missing data connection ended the session (its replies were out of step).
    if (!client_->Connected() && !LogOn())
        return false;
    if (StoreOnce(file, hostFileName))
        return true;
    Fail();
    if (client_->PassiveModeFailed()) {
        Log("! Passive mode failed too: back to active mode for the rest of the session");
        client_->SetUsePasv(false);
        switched_ = false;
        passiveMayHelp_ = false;
    }
    return false;
}

bool FtpUploader::StoreOnce(const UploadedFile& file, const std::string& hostFileName)
{
    // A refused TYPE I still lets the file go, in the server's default type.
    if (file.Binary && !binary_)
        binary_ = client_->TypeBinary();
    client_->SetLocalFileName(file.LocalFileName);
    client_->SetHostFileName(hostFileName);
    return client_->StoreFile();
}

// The file goes up under its part name and replaces the old one in a single rename, so a
// visitor loads either the old page or the new one, never half of it.
bool FtpUploader::StoreAtomically(const UploadedFile& file)
{
    const std::string part = PartFileName(file.HostFileName);
    if (!StoreWithFallback(file, part)) {
        DeleteLeftover(part);
        return false;
    }
    return RenameIntoPlace(file, part);
}

bool FtpUploader::RenameIntoPlace(const UploadedFile& file, const std::string& part)
{
    RenameResult result = Rename(part, file.HostFileName);
    if (result == RenameResult::Done)
        return true;
    if (RenameRefusedAltogether()) {
        Log("! The server does not rename files: storing under the final names for the rest "
            "of the session");
        atomic_ = false;
        DeleteLeftover(part);
        return StoreWithFallback(file, file.HostFileName);
    }
    Fail();
    if (result == RenameResult::TargetRefused && client_->Connected()) {
        // RFC 959 section 4.2: 4yz refuses for now, 5yz for good. Some servers never rename
        // onto an existing file.
        if (net::ClassifyReply(client_->ReplyCode()) == net::ReplyClass::PermanentNegative)
            return ReplaceMovingTheOldAside(file, part);
        Log("! The server refused the rename for now: " + file.HostFileName + " is left as it was");
    }
    DeleteLeftover(part);
    return false;
}

// The old file is never deleted before the new one has its name: it moves aside, the new one
// takes the name, and only then the old one goes. A new file that cannot take the name gives
// it back to the old one.
bool FtpUploader::ReplaceMovingTheOldAside(const UploadedFile& file, const std::string& part)
{
    const std::string& name = file.HostFileName;
    const std::string aside = AsideFileName(name);
    Log("! The server will not rename onto " + name + ": moving the old file aside as " + aside);
    if (Rename(name, aside) != RenameResult::Done) {
        DeleteLeftover(part);
        return false;
    }
    if (Rename(part, name) == RenameResult::Done) {
        DeleteLeftover(aside);
        return true;
    }
    Log("! Putting the old file back as " + name);
    Rename(aside, name);
    DeleteLeftover(part);
    return false;
}

FtpUploader::RenameResult FtpUploader::Rename(const std::string& from, const std::string& to)
{
    client_->SetHostFileName(from);
    if (!client_->RenFrom())
        return RenameResult::SourceRefused;
    client_->SetLocalFileName(to);
    return client_->RenTo() ? RenameResult::Done : RenameResult::TargetRefused;
}

bool FtpUploader::RenameRefusedAltogether() const
{
    return client_->Connected() && client_->ReplyCode() == CommandNotImplemented;
}

// Best effort: the failure being reported is the one that came before.
void FtpUploader::DeleteLeftover(const std::string& hostFileName)
{
    if (!client_->Connected())
        return;
    client_->SetHostFileName(hostFileName);
    client_->Dele();
}

bool FtpUploader::Fail()
{
    if (error_.empty())
        error_ = client_->ErrorMessage();
    return false;
}

void FtpUploader::Log(const std::string& line)
{
    if (log_)
        log_(line);
}

}  // namespace mondeliar
