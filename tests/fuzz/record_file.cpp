// The player stand-in's recording file (platform/vlplay/RECORD_FILE.md):
// files come from downloads and from anyone who hands the program one.
//   first byte: bit 0 set gives the password "pw"; the rest is the file
#include "record_file.h"

#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vlfuzz::Input in(data, size);
    const bool password = in.byte() & 1;
    const std::string file = in.rest();
    vlplay::record_file_facts facts;
    const int result = vlplay::check_record_bytes(
        reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), password ? "pw" : nullptr, &facts);
    if (result == vlplay::open_ok && (facts.frames == 0 || facts.begin_us > facts.end_us))
        std::abort(); // an opened file has frames in time order
    if (result != vlplay::open_ok && (result < vlplay::open_bad_checksum || result > vlplay::open_missing))
        std::abort();
    return 0;
}
