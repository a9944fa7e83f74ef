// Feeds arbitrary bytes to the settings file reader: reading, changing and writing back must
// never crash, and the keys written must read back as written.
#include "platform/IniFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using vexmira::platform::IniFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IniFile file("fuzz.cfg", std::string_view(reinterpret_cast<const char*>(data), size));
    (void)file.readInteger("Velikost", "Levo", 0);
    (void)file.readFloat("Options", "opScaleValue", 100.0);
    (void)file.readBool("options", "SHOWHINT", true);
    (void)file.readString("Options", "HotKey", "None");
    file.writeInteger("Velikost", "Gor", 123);
    file.writeFloat("Options", "opScaleValue", 150.5);
    file.writeString("Fresh", "Key", "value");
    const IniFile again("again.cfg", file.text());
    if (again.readInteger("Velikost", "Gor", 0) != 123 ||
        again.readFloat("Options", "opScaleValue", 0) != 150.5 ||
        again.readString("Fresh", "Key", "") != "value")
        std::abort();
    return 0;
}
