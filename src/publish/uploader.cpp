#include "publish/uploader.h"

#include "publish/ftp_uploader.h"
#include "publish/publish_command.h"
#include "publish/sftp_uploader.h"

namespace mondeliar {

namespace {

// ".<name><suffix>" beside the file.
std::string HiddenBeside(const std::string& hostFileName, const std::string& suffix)
{
    std::size_t slash = hostFileName.rfind('/');
    std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return hostFileName.substr(0, nameStart) + "." + hostFileName.substr(nameStart) + suffix;
}

}  // namespace

std::string PartFileName(const std::string& hostFileName)
{
    return HiddenBeside(hostFileName, ".part");
}

std::string AsideFileName(const std::string& hostFileName)
{
    return HiddenBeside(hostFileName, ".old");
}

// The one place where the protocol of a publish is chosen.
std::unique_ptr<Uploader> MakeUploader(CalendarContext& context, const PublishRequest& request)
{
    if (context.Settings.SFTP)
        return std::make_unique<SftpUploader>(context, request);
    return std::make_unique<FtpUploader>(context.Settings, request.TimeoutSeconds,
                                         request.SessionLog);
}

std::string MaskedSessionLine(const std::string& line)
{
    const std::string pass = "> PASS ";
    if (line.compare(0, pass.size(), pass) == 0)
        return pass + "********";
    return line;
}

}  // namespace mondeliar
