// The whole public interface: the component class and typed record access.
#pragma once

#include <nelvo/file_kind.hpp>
#include <nelvo/getuser_data.hpp>
#include <nelvo/record.hpp>
#include <nelvo/record_reader.hpp>
#include <nelvo/runtime_error.hpp>
