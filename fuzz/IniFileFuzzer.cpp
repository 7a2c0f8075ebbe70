// Settings files as the player reads and writes them. The fuzzer gives the
// file's content and one setting to write (section, key, value); every known
// setting is read before and after the write. The written value must read back,
// every other setting must keep its value, and writing the same value again must
// change nothing.

#include "FuzzSupport.h"

#include "common/IniFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using fuzz_support::check;

namespace {

struct Setting
{
    const char* section;
    const char* key;
};

constexpr Setting settings[] = {
    {"Preprocessing", "eventsNum"},
    {"Preprocessing", "filterRadius"},
    {"Preprocessing", "actionRadius"},
    {"Navigation", "timeStep"},
    {"Navigation", "timeBiggerStep"},
    {"Results", "pupilStandardDeviationPercentThreshold"},
    {"Results", "heatMapPercentThresholdRed"},
    {"Results", "recordingOffset"},
    {"GUI", "showBigCounter"},
    {"GUI", "multiQuality"},
    {"GUI", "language"},
    {"GUI", "viewScaleXPercent"},
};

constexpr const char* missing = "\x01missing";

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::vector<std::string> readAll(const std::filesystem::path& file)
{
    std::vector<std::string> values;
    for (const Setting& setting : settings)
        values.push_back(IniFile::readString(file, setting.section, setting.key, missing));
    return values;
}

std::string contentOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A value as the programs write them: one line of printable text without
// surrounding blanks.
std::string printable(std::string text)
{
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c < 0x20 || c > 0x7e; }),
               text.end());
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    text.erase(0, std::min(text.find_first_not_of(' '), text.size()));
    return text;
}

std::string withCase(std::string name, std::uint8_t mask)
{
    for (size_t i = 0; i < name.size() && i < 8; ++i)
        if (mask & (1u << i))
            name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider provider(data, size);
    const Setting& target = settings[provider.ConsumeIntegralInRange<size_t>(0, std::size(settings) - 1)];
    const std::string section = withCase(target.section, provider.ConsumeIntegral<std::uint8_t>());
    const std::string key = withCase(target.key, provider.ConsumeIntegral<std::uint8_t>());
    const std::string value = printable(provider.ConsumeRandomLengthString(64));
    const auto file =
        fuzz_support::writeScratchFile("Gazeview.ini", provider.ConsumeRemainingBytesAsString());

    const std::vector<std::string> before = readAll(file);
    check(IniFile::writeString(file, section, key, value), "a settings file could not be written");
    const std::vector<std::string> after = readAll(file);

    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    for (size_t i = 0; i < std::size(settings); ++i) {
        const bool written = sameName(settings[i].section, section) && sameName(settings[i].key, key);
        if (!written)
            check(after[i] == before[i], "writing one setting changed another");
        else if (!quoted)
            check(after[i] == value, "a written setting does not read back");
    }
    if (!quoted)
        check(IniFile::readInt(file, section, key, -12345) == IniFile::toInt(value),
              "a written number does not read back");

    // The program writes a setting again on every change; that must not pile up lines.
    const std::string once = contentOf(file);
    check(IniFile::writeString(file, section, key, value), "a settings file could not be written again");
    check(readAll(file) == after, "writing the same value twice changed a setting");
    check(contentOf(file).size() <= once.size(), "writing the same value twice made the file grow");
    return 0;
}
