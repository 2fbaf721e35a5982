// The bytes of a data file that Python hands over as an object instead of a
// path: a bytes-like object (held for the reader's life, so it cannot change
// size meanwhile) or a seekable binary file object (read with seek and
// readinto, one caller at a time). Readers call these with the GIL released;
// they take it where they need Python.
#pragma once

#include <mutex>
#include <string>

#include <pybind11/pybind11.h>

#include <nelvo/record_reader.hpp>

namespace nelvo::python {

namespace py = pybind11;

class BufferSource final : public ByteSource {
public:
    // Raises TypeError unless `object` exports contiguous bytes.
    explicit BufferSource(py::handle object);
    ~BufferSource() override;  // with the GIL held
    BufferSource(const BufferSource&) = delete;
    BufferSource& operator=(const BufferSource&) = delete;

    bool size(std::uint64_t& bytes) const override;
    bool read_at(std::uint64_t offset, unsigned char* out, std::size_t n) const override;

private:
    Py_buffer view_{};
};

class StreamSource final : public ByteSource {
public:
    explicit StreamSource(py::object file);
    ~StreamSource() override;  // with the GIL held

    bool size(std::uint64_t& bytes) const override;
    bool read_at(std::uint64_t offset, unsigned char* out, std::size_t n) const override;

    // What Python raised in the last call that failed ("ValueError: I/O
    // operation on closed file."); empty when none did.
    std::string last_failure() const;

private:
    bool fail(std::string what) const;

    py::object file_;
    bool has_readinto_;
    mutable std::mutex mutex_;  // seek and read belong together
    mutable std::mutex failure_mutex_;  // taken last, never held while waiting for the GIL
    mutable std::string failure_;
};

}  // namespace nelvo::python
