#pragma once

#include <filesystem>
#include <fstream>
#include <mutex>
#include <source_location>
#include <sstream>
#include <string>
#include <string_view>

// How one program's log file reads: the two programs share the design and differ
// only in these texts and in the console mirror.
struct LogStyle
{
    std::string header;    // first line of the file
    std::string separator; // between the function name and the line number
    std::string openLine;  // written by Logger::open
    std::string closeLine; // written when the log is closed at exit
    bool mirrorToConsole = false;
    int precision = 6; // significant digits of floating-point values
};

LogStyle recorderLogStyle();
LogStyle playerLogStyle();

// "Ret Class::method(args) [with ...]" -> "Class::method"
std::string qualifiedFunctionName(std::string_view prettyFunction);

// The process-wide diagnostic log. Every line reads
// "[HH:MM:SS Class::method<separator><line>] message" and is flushed at once;
// lines from different threads never mix. Before open() lines go to stderr.
class Logger
{
public:
    static Logger& instance();

    // Truncates the file and writes the header and the opening line.
    // Returns true when the file could NOT be opened (kept from the original design).
    static bool open(const LogStyle& style, const std::filesystem::path& path);

    // Writes the closing line and closes the file; also run at normal process exit.
    void close();
    bool isOpen() const;

    template <typename... Items>
    void write(std::string_view function, int line, bool toConsole, const Items&... items)
    {
        std::ostringstream text;
        text.precision(precision());
        (text << ... << items);
        writeLine(function, line, toConsole, text.str());
    }

    ~Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

private:
    Logger() = default;
    int precision() const;
    void writeLine(std::string_view function, int line, bool toConsole, const std::string& message);

    mutable std::mutex mutex_;
    std::ofstream file_;
    LogStyle style_ = recorderLogStyle();
};

#if defined(__cpp_lib_source_location)
#define GAZE_LOG_FUNCTION (std::source_location::current().function_name())
#else
// Compilers whose standard library lacks it (clang 14 with libstdc++ 12, used for
// the fuzzing build) give the same signature text this way.
#define GAZE_LOG_FUNCTION (__PRETTY_FUNCTION__)
#endif

// One log line from the enclosing function: LOG("tracker state: ", state);
#define LOG(...) ::Logger::instance().write(GAZE_LOG_FUNCTION, __LINE__, true, __VA_ARGS__)
// The same line, kept off the console mirror (samples that would flood it).
#define LOG_QUIET(...) ::Logger::instance().write(GAZE_LOG_FUNCTION, __LINE__, false, __VA_ARGS__)
