#include "publish/uploader.h"

#include "publish/ftp_uploader.h"

namespace mondeliar {

// The one place where the protocol of a publish is chosen.
std::unique_ptr<Uploader> MakeUploader(const CalendarSettings& settings, int timeoutSeconds,
                                       const SessionLogger& log)
{
    return std::make_unique<FtpUploader>(settings, timeoutSeconds, log);
}

std::string MaskedSessionLine(const std::string& line)
{
    const std::string pass = "> PASS ";
    if (line.compare(0, pass.size(), pass) == 0)
        return pass + "********";
    return line;
}

}  // namespace mondeliar
