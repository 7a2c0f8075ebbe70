#include "common/Logger.h"

#include <ctime>
#include <iostream>

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
    }
    log.writeLine(GAZE_LOG_FUNCTION, __LINE__, true, log.style_.openLine);
    return false;
}

void Logger::close()
{
    if (!isOpen())
        return;
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
    char stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);

    std::string text;
    text.reserve(message.size() + 64);
    text += '[';
    text += stamp;
    text += ' ';
    text += qualifiedFunctionName(function);
    text += style_.separator;
    text += std::to_string(line);
    text += "] ";
    text += message;
    text += '\n';

    if (file_.is_open()) {
        file_ << text;
        file_.flush();
        if (style_.mirrorToConsole && toConsole)
            std::cout << text << std::flush;
    } else {
        std::cerr << text << std::flush;
    }
}
