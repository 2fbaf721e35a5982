// The one renderer: walks any layout table and writes record text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "records/layout.hpp"
#include "text/sink.hpp"
#include "text/style.hpp"

namespace nelvo::records {

enum class LineForm {
    Described,  // record number ";" descriptor values CR LF, one line per row
    Numbered,   // record number ";" values CR LF (tariff ranges)
    Bare,       // values only (a single tariff record)
};

// Room write_value needs for one element of `f`: its longest text, or more
// where the writer stores several characters at once (integer text).
template <class Char>
std::size_t max_value_chars(const Field& f, std::size_t separator_chars);

// Longest text render() can write for a record of layout `l`.
template <class Char>
std::size_t max_record_chars(const Layout& l, LineForm form, std::size_t separator_chars);

// Renders one element. `element` points at its stored bytes.
template <class Char>
Char* write_value(Char* out, const Field& f, const unsigned char* element, const text::Style<Char>& style);

// Appends the record text of one record (`record` holds l.size bytes).
template <class Char>
void render(const Layout& l, const unsigned char* record, std::int32_t record_number, LineForm form,
            const text::Style<Char>& style, text::Sink<Char>& out);

}  // namespace nelvo::records
