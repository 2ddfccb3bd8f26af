// sink.h — where a long text goes piece by piece (a file, standard output), so that it is never whole in memory.
#pragma once

#include <string>
#include <string_view>

namespace peltatxt::cli {

// Takes the pieces of a text in order; a failure to pass them on throws Failure.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void write(std::string_view bytes) = 0;
};

// A text kept whole, for the parts that return one.
class StringSink : public Sink {
public:
    void write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

}  // namespace peltatxt::cli
