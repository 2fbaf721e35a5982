// JSON and JSON Lines: one object per record, "record" and then every field
// under its own name in layout order, values as json_values.hpp writes them.
#include <algorithm>
#include <vector>

#include "nelvo-data/formats/formats.hpp"
#include "nelvo-data/formats/json_values.hpp"
#include "nelvo-data/formats/stream_writer.hpp"
#include "text/numbers.hpp"
#include "text/sink.hpp"

namespace nelvo::tool {
namespace {

class JsonWriter final : public StreamWriter {
public:
    JsonWriter(bool lines, Destination& out) : StreamWriter(out), lines_(lines) {}

private:
    void head(std::string& out) override
    {
        if (!lines_) out += "[\n";
    }
    void tail(std::string& out) override
    {
        if (!lines_) out += "\n]\n";
    }

    // The keys and the longest record of the input's layout, worked out once.
    void start(const InputInfo& input, std::string&) override
    {
        keys_.clear();
        max_record_chars_ = 32 + text::max_integer_chars;
        for (const auto& f : input.layout->fields) {
            std::string key = ",\"";
            key += f.name();
            key += "\":";
            max_record_chars_ += key.size() + 2 + f.rows * 3 + f.elements() * (json::max_value_chars(f) + 1);
            keys_.push_back(std::move(key));
        }
    }

    void render(const Chunk& chunk, std::string& out) const override
    {
        const records::Layout& layout = *chunk.input.layout;
        text::Sink<char> sink(out);
        for (std::size_t i = 0; i < chunk.count; ++i) {
            const std::int64_t number = chunk.first + static_cast<std::int64_t>(i);
            const unsigned char* record = chunk.records + i * layout.size;
            char* o = sink.reserve(max_record_chars_);
            // An array puts a comma before every record but the first.
            if (!lines_ && number != chunk.input.first_record) {
                *o++ = ',';
                *o++ = '\n';
            }
            const std::string_view head = "{\"record\":";
            o = std::copy(head.begin(), head.end(), o);
            o = text::write_integer(o, number);
            for (std::size_t k = 0; k < layout.fields.size(); ++k) {
                const auto& f = layout.fields[k];
                o = std::copy(keys_[k].begin(), keys_[k].end(), o);
                if (f.shape == records::Shape::Single) {
                    o = json::write_value(o, f, record + f.offset);
                    continue;
                }
                if (f.shape == records::Shape::Table) *o++ = '[';
                for (std::uint32_t r = 0; r < f.rows; ++r) {
                    if (r != 0) *o++ = ',';
                    *o++ = '[';
                    for (std::uint32_t c = 0; c < f.columns; ++c) {
                        if (c != 0) *o++ = ',';
                        o = json::write_value(o, f, record + f.element_offset(r, c));
                    }
                    *o++ = ']';
                }
                if (f.shape == records::Shape::Table) *o++ = ']';
            }
            *o++ = '}';
            if (lines_) *o++ = '\n';
            sink.commit(o);
        }
    }

    bool lines_;
    std::vector<std::string> keys_;
    std::size_t max_record_chars_ = 0;
};

}  // namespace

std::unique_ptr<Writer> make_json_writer(bool lines, Destination& out)
{
    return std::make_unique<JsonWriter>(lines, out);
}

}  // namespace nelvo::tool
