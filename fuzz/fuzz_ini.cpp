// Feeds arbitrary bytes to the INI reader and reads back what it made of them.
#include "model/ini_file.h"

#include <cstdint>
#include <string_view>

// Undefined behaviour stops the run like a crash, so it leaves a reproducer behind.
extern "C" const char* __ubsan_default_options() {
    return "halt_on_error=1:print_stacktrace=1";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const parvane::TIniFile ini = parvane::TIniFile::FromText(text);
    for (const std::string& section : ini.Sections()) {
        for (const auto& [key, value] : ini.SectionValues(section)) {
            (void)ini.Value(section, key);
            (void)ini.ReadInteger(section, key, 7);
            (void)ini.ReadBool(section, key, true);
        }
    }
    (void)ini.ReadString("GENERAL", "Title", "");
    (void)ini.ReadInteger("TOPICS", "TitleList", 0);
    (void)parvane::ParseIniInteger(text);
    return 0;
}
