// The record of what was sent. Property: whatever the file holds, the record read from it
// saves and reads back as itself, and saving again gives the same bytes.

#include "fuzz/fuzz_files.h"
#include "publish/sent_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mondeliar;
    SentRecord loaded = SentRecord::Load(fuzz::WriteInput("club.sent", data, size));
    const std::string savedPath = fuzz::Folder() + "saved.sent";
    loaded.Save(savedPath);
    SentRecord again = SentRecord::Load(savedPath);
    fuzz::Require(again == loaded, "a saved record reads back as itself");
    const std::string againPath = fuzz::Folder() + "saved-again.sent";
    again.Save(againPath);
    fuzz::Require(fuzz::ReadWhole(againPath) == fuzz::ReadWhole(savedPath),
                  "saving again gives the same bytes");
    return 0;
}
