// One data file opened for Python: the library's RecordReader over a path,
// a bytes-like object or a file object, the columns the CSV names, and the
// typed columns decoded a chunk of records at a time straight into NumPy
// arrays, with the GIL released while the records are read and their
// numbers decoded (only making str, bytes and Decimal objects needs it).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <nelvo/record_reader.hpp>

#include "nelvo-data/fields/columns.hpp"

namespace nelvo::python {

namespace py = pybind11;

class StreamSource;

// A run-time error for Python (nelvo_data.Error): its number, and the
// description with what more is known.
struct Failure : std::runtime_error {
    Failure(std::int32_t n, const std::string& message) : std::runtime_error(message), number(n) {}
    std::int32_t number;
};

enum class Currency { Float, Decimal, Scaled };

class DataFile {
public:
    // `path`: the bytes os.fsencode gives. `kind` none: told from the bytes;
    // `layout` "1920"/"1513" (user only), none: the rule on the path.
    static DataFile open_path(const std::string& path, const std::optional<std::string>& kind,
                              const std::optional<std::string>& layout);
    // A bytes-like object, or a seekable binary file object when `stream`.
    static DataFile open_object(py::object source, bool stream, const std::optional<std::string>& kind,
                                const std::optional<std::string>& layout);

    FileKind kind() const { return kind_; }
    const records::Layout& layout() const { return *layout_; }
    // The note the tool gives for a personnel layout chosen by the path rule.
    const std::string& layout_note() const { return note_; }
    const std::vector<tool::Column>& columns() const { return columns_; }

    std::int32_t count() const;
    std::uint64_t size() const;
    std::string record_text(std::int64_t n, const std::optional<std::string>& decimal_separator) const;
    py::bytes raw(std::int64_t n) const;
    // Column name -> array, for records first..last (none: to the count).
    py::dict to_numpy(const std::optional<std::vector<std::string>>& names, std::int64_t first,
                      std::optional<std::int64_t> last, Currency currency, bool raw_text) const;

    void close() { reader_.reset(); }

private:
    DataFile(std::shared_ptr<RecordReader> reader, const StreamSource* stream);

    std::shared_ptr<RecordReader> open_reader() const;
    [[noreturn]] void raise(RuntimeError e, const std::string& more = {}) const;
    void check_record(const RecordReader& r, std::int64_t n) const;

    std::shared_ptr<RecordReader> reader_;
    const StreamSource* stream_;  // owned by the reader, when the bytes come from a file object
    FileKind kind_;
    const records::Layout* layout_;
    std::vector<tool::Column> columns_;
    std::string note_;
};

// The error a member or the reader returned, as a Failure.
[[noreturn]] void raise_error(RuntimeError e, const std::string& more = {});

}  // namespace nelvo::python
