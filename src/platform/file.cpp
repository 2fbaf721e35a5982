// What every platform's data file shares: ownership of the handle.
#include "platform/file.hpp"

namespace nelvo::platform {

DataFile::DataFile(DataFile&& other) noexcept : handle_(other.handle_) { other.handle_ = invalid; }

DataFile& DataFile::operator=(DataFile&& other) noexcept
{
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = invalid;
    }
    return *this;
}

DataFile::~DataFile() { close(); }

}  // namespace nelvo::platform
