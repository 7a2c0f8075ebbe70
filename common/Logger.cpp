#include "common/Logger.h"

#include "common/LogLimits.h"

#include <atomic>
#include <ctime>
#include <iostream>
#include <map>
#include <utility>
#include <vector>

namespace {

// What one place in the code last wrote, and how often since. Guarded by the logger's mutex.
struct Repeats
{
    std::string message;
    std::uint64_t times = 0;
    std::uint64_t leftOut = 0;
    std::time_t leftOutSince = 0;
};

std::atomic<std::uint64_t> growthLimit{LogLimits::defaultGrowthLimit};
std::map<std::pair<const char*, int>, Repeats> repeatsBySite;
std::uint64_t bytesWritten = 0;
bool limitReached = false;

std::string summaryOf(const Repeats& repeats)
{
    return "the line before came " + std::to_string(repeats.leftOut) + " more times: " + repeats.message;
}

} // namespace

void LogLimits::setGrowthLimit(std::uint64_t bytes)
{
    growthLimit = bytes;
}

LogStyle recorderLogStyle()
{
    return {"[godzina:minuta:sekunda funkcja() / linia] komunikat",
            "():",
            "Poczatek pliku logowania",
            "Koniec pliku logowania",
            true,
            10};
}

LogStyle playerLogStyle()
{
    return {"[hour:minute:second function() / line] message",
            "() / ",
            "The log begins here",
            "The log ends here",
            false,
            6};
}

std::string qualifiedFunctionName(std::string_view pretty)
{
    // The name ends at the parameter list: the first '(' outside template brackets
    // that does not belong to "operator()".
    int depth = 0;
    size_t end = std::string_view::npos;
    for (size_t i = 0; i < pretty.size(); ++i) {
        const char c = pretty[i];
        if (c == '<') {
            ++depth;
        } else if (c == '>') {
            --depth;
        } else if (c == '(' && depth == 0) {
            if (i >= 8 && pretty.substr(i - 8, 8) == "operator" && pretty.substr(i, 2) == "()") {
                ++i;
                continue;
            }
            end = i;
            break;
        }
    }
    if (end == std::string_view::npos)
        return std::string(pretty);
    // The name starts after the last blank outside template brackets (the return type).
    depth = 0;
    size_t begin = 0;
    for (size_t i = end; i-- > 0;) {
        const char c = pretty[i];
        if (c == '>') {
            ++depth;
        } else if (c == '<') {
            --depth;
        } else if (c == ' ' && depth == 0) {
            begin = i + 1;
            break;
        }
    }
    return std::string(pretty.substr(begin, end - begin));
}

Logger& Logger::instance()
{
    static Logger logger;
    return logger;
}

bool Logger::open(const LogStyle& style, const std::filesystem::path& path)
{
    Logger& log = instance();
    {
        std::lock_guard lock(log.mutex_);
        if (log.file_.is_open())
            log.file_.close();
        log.style_ = style;
        log.file_.clear();
        log.file_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!log.file_.is_open()) {
            log.file_.setstate(std::ios::failbit);
            return true;
        }
        log.file_ << style.header << '\n' << '\n';
        log.file_.flush();
        repeatsBySite.clear();
        bytesWritten = style.header.size() + 2;
        limitReached = false;
    }
    log.writeLine(GAZE_LOG_FUNCTION, __LINE__, true, log.style_.openLine);
    return false;
}

void Logger::close()
{
    if (!isOpen())
        return;
    // Repeats still being counted are told before the end.
    std::vector<std::pair<std::pair<const char*, int>, std::string>> summaries;
    {
        std::lock_guard lock(mutex_);
        for (auto& [site, repeats] : repeatsBySite)
            if (repeats.leftOut > 0) {
                summaries.emplace_back(site, summaryOf(repeats));
                repeats.leftOut = 0;
                repeats.times = 0;
                repeats.message.clear();
            }
    }
    for (const auto& [site, summary] : summaries)
        writeLine(site.first, site.second, false, summary);
    writeLine(GAZE_LOG_FUNCTION, __LINE__, true, style_.closeLine);
    std::lock_guard lock(mutex_);
    file_.close();
}

bool Logger::isOpen() const
{
    std::lock_guard lock(mutex_);
    return file_.is_open();
}

Logger::~Logger()
{
    close();
}

int Logger::precision() const
{
    std::lock_guard lock(mutex_);
    return style_.precision;
}

void Logger::writeLine(std::string_view function, int line, bool toConsole, const std::string& message)
{
    std::lock_guard lock(mutex_);
    const std::time_t now = std::time(nullptr);
    // What goes out: a summary of repeats left out, then the line itself.
    std::string summary;
    bool leaveOut = false;
    if (file_.is_open()) {
        // The function's text is one static string per place in the code.
        Repeats& repeats = repeatsBySite[{function.data(), line}];
        if (repeats.times > 0 && message == repeats.message) {
            if (++repeats.times > LogLimits::freeRepeats) {
                leaveOut = true;
                if (repeats.leftOut++ == 0)
                    repeats.leftOutSince = now;
                else if (now - repeats.leftOutSince >= LogLimits::summaryEverySeconds) {
                    summary = summaryOf(repeats);
                    repeats.leftOut = 0;
                }
            }
        } else {
            if (repeats.leftOut > 0)
                summary = summaryOf(repeats);
            repeats = {message, 1, 0, now};
        }
    }
    char stamp[32] = {};
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
    std::string prefix;
    prefix += '[';
    prefix += stamp;
    prefix += ' ';
    prefix += qualifiedFunctionName(function);
    prefix += style_.separator;
    prefix += std::to_string(line);
    prefix += "] ";

    if (!file_.is_open()) {
        std::cerr << prefix << message << '\n' << std::flush;
        return;
    }
    const auto put = [&](const std::string& text, bool console) {
        const std::string whole = prefix + text + '\n';
        if (style_.mirrorToConsole && console)
            std::cout << whole << std::flush;
        // The closing line is always written, so the file still shows where the run ended.
        const bool closing = text == style_.closeLine;
        if (limitReached && !closing)
            return;
        if (!closing && bytesWritten + whole.size() > growthLimit) {
            limitReached = true;
            const std::string note = prefix + "the log file reached its limit of " +
                                     std::to_string(growthLimit) +
                                     " bytes for this run; later lines are left out\n";
            bytesWritten += note.size();
            file_ << note;
            file_.flush();
            return;
        }
        bytesWritten += whole.size();
        file_ << whole;
        file_.flush();
    };
    if (!summary.empty())
        put(summary, false);
    if (!leaveOut)
        put(message, toConsole);
}
