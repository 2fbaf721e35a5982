#include "sources.hpp"

#include <algorithm>
#include <cstring>

namespace nelvo::python {

BufferSource::BufferSource(py::handle object)
{
    if (PyObject_GetBuffer(object.ptr(), &view_, PyBUF_SIMPLE) != 0) throw py::error_already_set();
}

BufferSource::~BufferSource() { PyBuffer_Release(&view_); }

bool BufferSource::size(std::uint64_t& bytes) const
{
    bytes = static_cast<std::uint64_t>(view_.len);
    return true;
}

bool BufferSource::read_at(std::uint64_t offset, unsigned char* out, std::size_t n) const
{
    const auto len = static_cast<std::uint64_t>(view_.len);
    const std::size_t have = offset < len ? static_cast<std::size_t>(std::min<std::uint64_t>(n, len - offset)) : 0;
    if (have != 0) std::memcpy(out, static_cast<const unsigned char*>(view_.buf) + offset, have);
    std::memset(out + have, 0, n - have);
    return true;
}

StreamSource::StreamSource(py::object file) : file_(std::move(file)), has_readinto_(py::hasattr(file_, "readinto")) {}

StreamSource::~StreamSource() = default;

bool StreamSource::fail(std::string what) const
{
    std::lock_guard lock(failure_mutex_);
    failure_ = std::move(what);
    return false;
}

bool StreamSource::size(std::uint64_t& bytes) const
{
    // The lock before the GIL, always: a thread holding the lock may be
    // waiting for the GIL inside a read.
    std::lock_guard lock(mutex_);
    py::gil_scoped_acquire gil;
    try {
        file_.attr("seek")(0, 2);
        const auto end = file_.attr("tell")().cast<long long>();
        if (end < 0) return fail("the file object's end lies before its start");
        bytes = static_cast<std::uint64_t>(end);
        return true;
    } catch (py::error_already_set& e) {
        return fail(e.what());
    } catch (const py::cast_error& e) {
        return fail(std::string("the file object's tell() gave no integer: ") + e.what());
    }
}

bool StreamSource::read_at(std::uint64_t offset, unsigned char* out, std::size_t n) const
{
    std::lock_guard lock(mutex_);
    py::gil_scoped_acquire gil;
    std::size_t done = 0;
    try {
        file_.attr("seek")(offset);
        while (done < n) {
            std::size_t got = 0;
            if (has_readinto_) {
                auto view = py::memoryview::from_memory(out + done, static_cast<py::ssize_t>(n - done));
                py::object r = file_.attr("readinto")(view);
                view.attr("release")();
                if (r.is_none()) return fail("the file object has no bytes ready (non-blocking)");
                got = r.cast<std::size_t>();
            } else {
                py::object r = file_.attr("read")(n - done);
                if (r.is_none()) return fail("the file object has no bytes ready (non-blocking)");
                if (!PyBytes_Check(r.ptr())) return fail("the file object's read() gave no bytes (open it in binary mode)");
                got = static_cast<std::size_t>(PyBytes_GET_SIZE(r.ptr()));
                if (got > n - done) return fail("the file object's read() gave more bytes than asked for");
                std::memcpy(out + done, PyBytes_AS_STRING(r.ptr()), got);
            }
            if (got == 0) break;  // the end
            if (got > n - done) return fail("the file object's readinto() claims more bytes than it was given");
            done += got;
        }
    } catch (py::error_already_set& e) {
        return fail(e.what());
    } catch (const py::cast_error& e) {
        return fail(std::string("the file object's read gave no byte count: ") + e.what());
    }
    std::memset(out + done, 0, n - done);
    return true;
}

std::string StreamSource::last_failure() const
{
    std::lock_guard lock(failure_mutex_);
    return failure_;
}

}  // namespace nelvo::python
