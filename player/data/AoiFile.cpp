#include "player/data/AoiFile.h"

#include "common/AtomicFile.h"
#include "common/Logger.h"
#include "player/data/AoiSet.h"
#include "player/data/ServiceShotFile.h"
#include "player/data/TextFields.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

namespace AoiFile {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kHeader = "name;shape;time_ms;x;y;width;height";

// Whole numbers only: the file is written by programs, and a typo read as 0
// would move an area silently.
bool wholeNumber(std::string_view field, int& value)
{
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
    return result.ec == std::errc() && result.ptr == field.data() + field.size() && !field.empty();
}

Result fail(int status, int line)
{
    Result result;
    result.status = status;
    result.line = line;
    return result;
}

} // namespace

Result read(std::string_view text)
{
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    Result result;
    std::unordered_map<std::string, std::size_t> indexOf;
    std::vector<std::string_view> fields;
    std::string_view line;
    bool header = false;
    std::size_t keyCount = 0;
    for (int number = 1; text_fields::nextLine(text, line); ++number) {
        if (text_fields::isSkipped(line))
            continue;
        if (!header) {
            if (line != kHeader)
                return fail(NoHeader, number);
            header = true;
            continue;
        }
        text_fields::split(line, fields);
        if (fields.size() < 7)
            return fail(BadField, number);
        const std::string name(fields[0]);
        if (!isValidAoiName(name))
            return fail(BadName, number);
        AoiKey key;
        if (!aoiShapeFromName(std::string(fields[1]), key.shape))
            return fail(BadShape, number);
        if (!wholeNumber(fields[2], key.timeMs))
            return fail(BadField, number);
        if (key.timeMs < 0)
            return fail(BadTime, number);
        if (key.shape != AoiShape::Hidden) {
            if (!wholeNumber(fields[3], key.x) || !wholeNumber(fields[4], key.y) ||
                !wholeNumber(fields[5], key.width) || !wholeNumber(fields[6], key.height))
                return fail(BadField, number);
            if (!AoiSet::validBox(key))
                return fail(BadBox, number);
        }
        auto [found, fresh] = indexOf.emplace(name, result.aois.size());
        if (fresh) {
            if (result.aois.size() >= AoiSet::kMaxAois)
                return fail(TooMany, number);
            result.aois.push_back(Aoi{name, {}});
        }
        std::vector<AoiKey>& keys = result.aois[found->second].keys;
        if (!keys.empty() && key.timeMs <= keys.back().timeMs)
            return fail(BadTime, number);
        if (keys.size() >= AoiSet::kMaxKeysPerAoi || ++keyCount > AoiSet::kMaxAois * 1000)
            return fail(TooMany, number);
        keys.push_back(key);
    }
    if (!header)
        return fail(NoHeader, 0);
    return result;
}

Result load(const std::filesystem::path& path, bool* exists)
{
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (exists)
        *exists = std::filesystem::exists(status);
    if (!std::filesystem::exists(status))
        return fail(CannotOpen, 0);
    std::string content;
    if (!std::filesystem::is_regular_file(status) ||
        std::filesystem::file_size(path, error) > kMaxFileBytes || !text_fields::readWholeFile(path, content))
        return fail(CannotOpen, 0);
    LOG("AoiFile '", path.string(), "' load");
    return read(content);
}

std::string text(const std::vector<Aoi>& aois)
{
    std::string out = "#Gazeview AOI file version 1\r\nname;shape;time_ms;x;y;width;height\r\n";
    for (const Aoi& aoi : aois) {
        for (const AoiKey& key : aoi.keys) {
            out += aoi.name;
            out += ';';
            out += aoiShapeName(key.shape);
            out += ';' + std::to_string(key.timeMs);
            if (key.shape == AoiShape::Hidden)
                out += ";;;;";
            else
                out += ';' + std::to_string(key.x) + ';' + std::to_string(key.y) + ';' +
                       std::to_string(key.width) + ';' + std::to_string(key.height);
            out += "\r\n";
        }
    }
    return out;
}

std::filesystem::path fileOf(const std::filesystem::path& movie)
{
    std::filesystem::path file = movie;
    file += "_aois.csv";
    return file;
}

std::string describe(const Result& result)
{
    std::string problem;
    switch (result.status) {
    case Loaded:
        return {};
    case CannotOpen:
        return "the file cannot be read";
    case NoHeader:
        problem = "the header is not name;shape;time_ms;x;y;width;height";
        break;
    case BadField:
        problem = "a field is missing or is not a whole number";
        break;
    case BadName:
        problem = "the name is empty, too long or holds a control character";
        break;
    case BadShape:
        problem = "the shape is not rectangle, ellipse or hidden";
        break;
    case BadTime:
        problem = "the time is negative or not after the area's key before";
        break;
    case BadBox:
        problem = "the position is out of range or the size is not above 0";
        break;
    case TooMany:
        problem = "more areas or keys than a file may hold";
        break;
    default:
        problem = "unknown problem " + std::to_string(result.status);
        break;
    }
    return result.line > 0 ? "line " + std::to_string(result.line) + ": " + problem : problem;
}

bool load(AoiSet& aois, const std::filesystem::path& path, bool& loadFailed, Result* out)
{
    bool exists = false;
    Result result = load(path, &exists);
    loadFailed = exists && result.status != Loaded;
    aois.reset(result.status == Loaded ? std::move(result.aois) : std::vector<Aoi>{});
    if (loadFailed)
        LOG("AoiFile load problem: ", result.status, " line ", result.line);
    if (out)
        *out = std::move(result);
    return !loadFailed;
}

bool save(const AoiSet& aois, const std::filesystem::path& path, bool loadFailed,
          std::filesystem::path* savedTo)
{
    // A file that could not be read stays as it is: what it held may matter.
    const std::filesystem::path target = loadFailed ? besideShotFile(path) : path;
    if (!AtomicFile::write(target, text(aois.aois()))) {
        LOG("AoiFile save failed: ", target.string());
        return false;
    }
    if (savedTo)
        *savedTo = target;
    return true;
}

} // namespace AoiFile
