#include <nelvo/runtime_error.hpp>

namespace nelvo {

std::string_view RuntimeError::description() const
{
    switch (number) {
    case 5: return "Invalid procedure call or argument";
    case error::overflow: return "Overflow";
    case error::out_of_memory: return "Out of memory";
    case error::type_mismatch: return "Type mismatch";
    case error::bad_file_name: return "Bad file name or number";
    case error::file_not_found: return "File not found";
    case 55: return "File already open";
    case error::device_io: return "Device I/O error";
    case error::bad_record_number: return "Bad record number";
    case error::too_many_files: return "Too many files";
    case error::permission_denied: return "Permission denied";
    case error::path_file_access: return "Path/File access error";
    case error::path_not_found: return "Path not found";
    default: return "Application-defined or object-defined error";
    }
}

}  // namespace nelvo
