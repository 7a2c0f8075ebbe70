#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// A real number with a fixed count of decimals and a point, whatever the locale.
std::string fixedNumber(double value, int decimals);

// Streams JSON without building it in memory (a pupil series of a long movie has
// hundreds of thousands of steps). Keys come out in the order they are written.
class JsonWriter
{
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // Inside an object: the key of the next value.
    void key(std::string_view name);
    void value(long long number);
    void value(std::string_view text);
    void null();
    // A real number with a fixed count of decimals; null when not finite.
    void number(double value, int decimals);
    void boolean(bool value);
    // A key with its whole number or text.
    template <typename T> void field(std::string_view name, const T& v)
    {
        key(name);
        value(v);
    }

private:
    void separate();

    std::ostream& out_;
    std::vector<bool> first_; // per open container: nothing written in it yet
    bool afterKey_ = false;
};
