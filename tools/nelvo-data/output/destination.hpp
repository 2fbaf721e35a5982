// Where the byte formats' output goes: a file, standard output or (in tests
// and benchmarks) a string. Written by one thread at a time, in order.
#pragma once

#include <string>
#include <string_view>

#include "nelvo-data/base/failure.hpp"

namespace nelvo::tool {

class Destination {
public:
    virtual ~Destination() = default;
    // What messages call it: the path as given, or "standard output".
    virtual std::string name() const = 0;
    virtual WriteStatus write(std::string_view bytes) = 0;
    // Everything is written: flush it to the disk (see Writer::finish()).
    virtual WriteStatus finish() { return std::nullopt; }
    // Put it in place; finishes it first when that was not done.
    virtual WriteStatus commit() = 0;
    // The export failed or was interrupted.
    virtual void abandon() noexcept {}
};

class StringDestination final : public Destination {
public:
    std::string name() const override { return "string"; }
    WriteStatus write(std::string_view bytes) override
    {
        text.append(bytes);
        return std::nullopt;
    }
    WriteStatus commit() override { return std::nullopt; }
    std::string text;
};

}  // namespace nelvo::tool
