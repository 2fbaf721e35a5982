// Typed access to stored records through the layout tables: each field's
// name, offset and shape come from the table, each value from its stored
// bytes. Everything here is a view over bytes the caller keeps alive;
// reading a value copies a few bytes and allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <nelvo/records/layout.hpp>
#include <nelvo/records/stored.hpp>

namespace nelvo {

// Windows-1252 bytes decoded, every byte one character (the five bytes the
// code page leaves undefined become the C1 controls of the same value), so
// nothing is lost. UTF-8 needs at most 3 bytes per input byte, UTF-16 one
// unit. Return the end of what they wrote.
char* decode_text(std::string_view cp1252, char* out);
char16_t* decode_text(std::string_view cp1252, char16_t* out);
std::string decode_text(std::string_view cp1252);

// One stored element of a field. Each typed accessor wants the stored type
// it names and throws std::logic_error for any other (a caller's mistake,
// not a property of the file).
class Value {
public:
    Value(const records::Field& field, const unsigned char* bytes) noexcept : field_(&field), p_(bytes) {}

    const records::Field& field() const noexcept { return *field_; }
    records::Stored stored() const noexcept { return field_->stored; }
    std::span<const unsigned char> bytes() const noexcept { return {p_, field_->element_width}; }

    // Text: all n stored bytes, untrimmed (Windows-1252).
    std::string_view text_bytes() const
    {
        return {reinterpret_cast<const char*>(want(records::Stored::Text)), field_->element_width};
    }
    // Without leading and trailing spaces, as record text shows the field.
    std::string_view trimmed_bytes() const;
    // The same decoded to UTF-8.
    std::string text() const { return decode_text(text_bytes()); }
    std::string trimmed_text() const { return decode_text(trimmed_bytes()); }

    // Int16 and Bool16 (a truth value is a stored 16-bit integer).
    std::int16_t int16() const { return records::load<std::int16_t>(want_16bit()); }
    // Int32, and the 16-bit types widened.
    std::int32_t int32() const;
    // Currency: the stored 64-bit integer, the amount times 10,000.
    std::int64_t currency() const { return records::load<std::int64_t>(want(records::Stored::Currency)); }
    float single() const { return records::load<float>(want(records::Stored::Single)); }
    // Bool16 (and Int16): true exactly for the stored -1, as flag text says "Y".
    bool truth() const { return int16() == -1; }

private:
    const unsigned char* want(records::Stored s) const
    {
        if (field_->stored != s) mismatch();
        return p_;
    }
    const unsigned char* want_16bit() const
    {
        if (field_->stored != records::Stored::Int16 && field_->stored != records::Stored::Bool16)
            mismatch();
        return p_;
    }
    [[noreturn]] void mismatch() const;

    const records::Field* field_;
    const unsigned char* p_;
};

namespace detail {
// Iterates an owner's elements by index; dereferencing makes the view.
template <class Owner, class Element>
class IndexIterator {
public:
    using iterator_concept = std::forward_iterator_tag;
    using iterator_category = std::input_iterator_tag;
    using value_type = Element;
    using difference_type = std::ptrdiff_t;

    IndexIterator() = default;
    IndexIterator(const Owner* owner, std::size_t i) : owner_(owner), i_(i) {}
    Element operator*() const { return (*owner_)[i_]; }
    IndexIterator& operator++()
    {
        ++i_;
        return *this;
    }
    IndexIterator operator++(int)
    {
        IndexIterator old = *this;
        ++i_;
        return old;
    }
    friend bool operator==(const IndexIterator& a, const IndexIterator& b) { return a.i_ == b.i_; }

private:
    const Owner* owner_ = nullptr;
    std::size_t i_ = 0;
};
}  // namespace detail

// One field of one record: its elements in the order record text lists
// them (row by row, columns ascending; the descriptors' numbers start at
// the first element, e.g. tnam 1..66 or Schlüss 40..44).
class FieldValues {
public:
    FieldValues(const records::Field& field, const unsigned char* record) noexcept : field_(&field), record_(record)
    {
    }

    const records::Field& field() const noexcept { return *field_; }
    std::string_view name() const { return field_->name(); }
    std::uint32_t offset() const noexcept { return field_->offset; }
    records::Stored stored() const noexcept { return field_->stored; }
    records::Shape shape() const noexcept { return field_->shape; }
    std::uint32_t rows() const noexcept { return field_->rows; }
    std::uint32_t columns() const noexcept { return field_->columns; }
    std::uint32_t size() const noexcept { return field_->elements(); }

    // Element i (unchecked), row * columns() + column.
    Value operator[](std::size_t i) const noexcept
    {
        if (field_->rows == 1) return {*field_, record_ + field_->offset + field_->element_width * i};
        const auto row = static_cast<std::uint32_t>(i / field_->columns);
        const auto column = static_cast<std::uint32_t>(i % field_->columns);
        return {*field_, record_ + field_->element_offset(row, column)};
    }
    // Throws std::out_of_range outside rows() x columns().
    Value at(std::uint32_t row, std::uint32_t column) const;
    // The one value of a single field (the first element otherwise).
    Value value() const noexcept { return (*this)[0]; }

    // Walks the elements in the order of operator[] without dividing: along
    // a row, a step of `rows` elements; then the start of the next row.
    class iterator {
    public:
        using iterator_concept = std::forward_iterator_tag;
        using iterator_category = std::input_iterator_tag;
        using value_type = Value;
        using difference_type = std::ptrdiff_t;

        iterator() = default;
        iterator(const records::Field* f, const unsigned char* row_start) noexcept
            : f_(f), row_start_(row_start), p_(row_start)
        {
        }
        Value operator*() const noexcept { return {*f_, p_}; }
        iterator& operator++() noexcept
        {
            if (++column_ < f_->columns) {
                p_ += std::size_t{f_->element_width} * f_->rows;
            } else {
                column_ = 0;
                row_start_ += f_->element_width;
                p_ = row_start_;
            }
            return *this;
        }
        iterator operator++(int) noexcept
        {
            iterator old = *this;
            ++*this;
            return old;
        }
        friend bool operator==(const iterator& a, const iterator& b) noexcept
        {
            return a.row_start_ == b.row_start_ && a.column_ == b.column_;
        }

    private:
        const records::Field* f_ = nullptr;
        const unsigned char* row_start_ = nullptr;
        const unsigned char* p_ = nullptr;
        std::uint32_t column_ = 0;
    };
    iterator begin() const noexcept { return {field_, record_ + field_->offset}; }
    iterator end() const noexcept
    {
        return {field_, record_ + field_->offset + std::size_t{field_->element_width} * field_->rows};
    }

private:
    const records::Field* field_;
    const unsigned char* record_;
};

// One stored record (layout().size bytes) and its number in the file.
class Record {
public:
    Record(const records::Layout& layout, const unsigned char* bytes, std::int64_t number) noexcept
        : layout_(&layout), bytes_(bytes), number_(number)
    {
    }

    const records::Layout& layout() const noexcept { return *layout_; }
    std::int64_t number() const noexcept { return number_; }
    std::span<const unsigned char> bytes() const noexcept { return {bytes_, layout_->size}; }

    // Fields in layout order.
    std::size_t size() const noexcept { return layout_->fields.size(); }
    FieldValues operator[](std::size_t i) const noexcept { return {layout_->fields[i], bytes_}; }
    // By the name the descriptor gives it ("ztext0", "Luckkv"); exact case.
    std::optional<FieldValues> find(std::string_view name) const;

    using iterator = detail::IndexIterator<Record, FieldValues>;
    iterator begin() const { return {this, 0}; }
    iterator end() const { return {this, size()}; }

private:
    const records::Layout* layout_;
    const unsigned char* bytes_;
    std::int64_t number_;
};

}  // namespace nelvo
