// _nelvo_data: the compiled half of the package nelvo_data. The Python half
// (nelvo_data/__init__.py) wraps DataFile and gives the caller's guide;
// failures cross over as nelvo_data.Error through nelvo_data._error_for.
#include <mutex>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <nelvo/getuser_data.hpp>

#include "component/file_kind.hpp"
#include "data_file.hpp"
#include "nelvo-data/fields/names.hpp"
#include "text/utf.hpp"

namespace py = pybind11;
using namespace nelvo;
using nelvo::python::DataFile;

namespace {

python::Currency currency_from(const std::string& s)
{
    if (s == "float") return python::Currency::Float;
    if (s == "decimal") return python::Currency::Decimal;
    if (s == "scaled") return python::Currency::Scaled;
    throw py::value_error("currency must be 'float', 'decimal' or 'scaled', not '" + s + "'");
}

// The class with one caller at a time: a member sets eigdat as it works.
struct GetuserData {
    getuser_data object;
    std::mutex mutex;
};

// A path as the class takes it: str or os.PathLike, as UTF-16.
Text path_text(const py::object& path)
{
    py::object p = py::module_::import("os").attr("fspath")(path);
    if (py::isinstance<py::bytes>(p)) p = py::module_::import("os").attr("fsdecode")(p);
    return p.cast<std::u16string>();
}

py::str utf16_str(const Text& t) { return py::str(text::utf16_to_utf8(t)); }

// Runs a member without the GIL (it reads a file) and one call at a time.
template <class T, class F>
T call(GetuserData& g, F&& member)
{
    Result<T> r = RuntimeError{error::device_io};
    {
        py::gil_scoped_release nogil;
        std::lock_guard lock(g.mutex);
        r = member(g.object);
    }
    if (!r) python::raise_error(r.error());
    return std::move(*r);
}

void bind_text_member(py::class_<GetuserData>& c, const char* name, Result<Text> (getuser_data::*m)(const Text&, const std::int32_t&),
                      const char* doc)
{
    c.def(
        name,
        [m](GetuserData& g, const py::object& hsdatei, std::int32_t hssatz) {
            const Text path = path_text(hsdatei);
            return utf16_str(call<Text>(g, [&](getuser_data& o) { return (o.*m)(path, hssatz); }));
        },
        py::arg("hsdatei"), py::arg("hssatz"), doc);
}

void bind_count_member(py::class_<GetuserData>& c, const char* name, Result<std::int32_t> (getuser_data::*m)(const Text&),
                       const char* doc)
{
    c.def(
        name,
        [m](GetuserData& g, const py::object& hsdatei) {
            const Text path = path_text(hsdatei);
            return call<std::int32_t>(g, [&](getuser_data& o) { return (o.*m)(path); });
        },
        py::arg("hsdatei"), doc);
}

}  // namespace

PYBIND11_MODULE(_nelvo_data, m)
{
    m.doc() = "The compiled half of nelvo_data; use the package nelvo_data.";
    m.attr("__version__") = NELVO_VERSION;

    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const python::Failure& f) {
            py::object error = py::module_::import("nelvo_data").attr("_error_for")(f.number, f.what());
            PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
        }
    });

    py::list kinds;
    for (const auto& k : file_kinds) kinds.append(py::str(std::string(k.name)));
    m.attr("KINDS") = py::tuple(kinds);

    py::class_<DataFile>(m, "DataFile")
        .def_static("open_path", &DataFile::open_path, py::arg("path"), py::arg("kind"), py::arg("layout"))
        .def_static("open_object", &DataFile::open_object, py::arg("source"), py::arg("stream"), py::arg("kind"),
                    py::arg("layout"))
        .def_property_readonly("kind", [](const DataFile& f) { return std::string(file_kind_name(f.kind())); })
        .def_property_readonly("layout", [](const DataFile& f) { return tool::layout_name(f.kind(), f.layout()); })
        .def_property_readonly("record_name", [](const DataFile& f) { return std::string(f.layout().record); })
        .def_property_readonly("record_length", [](const DataFile& f) { return f.layout().size; })
        .def_property_readonly("layout_note", &DataFile::layout_note)
        .def_property_readonly("size", &DataFile::size)
        .def("count", &DataFile::count)
        .def_property_readonly("columns",
                               [](const DataFile& f) {
                                   py::list l;
                                   for (const auto& c : f.columns()) l.append(py::str(c.name));
                                   return l;
                               })
        .def_property_readonly("fields",
                               [](const DataFile& f) {
                                   py::list l;
                                   for (const auto& c : f.columns()) {
                                       const records::Field& fd = *c.field;
                                       py::object row = fd.shape == records::Shape::Table
                                                            ? py::object(py::int_(tool::row_number(fd, c.row)))
                                                            : py::none();
                                       py::object element =
                                           fd.shape == records::Shape::Single
                                               ? py::none()
                                               : py::object(py::int_(tool::first_column_number(fd) + c.column));
                                       l.append(py::make_tuple(c.name, std::string(fd.name()), row, element, c.offset,
                                                               fd.element_width, std::string(tool::stored_name(fd.stored)),
                                                               std::string(fd.descriptor_text(c.row))));
                                   }
                                   return l;
                               })
        .def("record_text", &DataFile::record_text, py::arg("n"), py::arg("decimal_separator"))
        .def("raw", &DataFile::raw, py::arg("n"))
        .def(
            "to_numpy",
            [](const DataFile& f, const std::optional<std::vector<std::string>>& columns, std::int64_t first,
               std::optional<std::int64_t> last, const std::string& currency, bool raw_text) {
                return f.to_numpy(columns, first, last, currency_from(currency), raw_text);
            },
            py::arg("columns"), py::arg("first"), py::arg("last"), py::arg("currency"), py::arg("raw_text"))
        .def("close", &DataFile::close);

    py::class_<GetuserData> c(m, "GetuserData", R"(The component's class: the property eigdat and the seventeen
members by their own names, each returning the component's text (str) or
count (int). hsdatei is a path (str or os.PathLike); a missing file reads
as empty, as the component reads it. A failure raises nelvo_data.Error
with the component's run-time error number. tarife_holen returns the text
and hssatzbis as the member leaves it (lowered to the count).)");
    c.def(py::init<>())
        .def_property(
            "eigdat", [](GetuserData& g) { std::lock_guard lock(g.mutex); return utf16_str(g.object.eigdat()); },
            [](GetuserData& g, const std::u16string& v) {
                std::lock_guard lock(g.mutex);
                g.object.eigdat(v);
            },
            "The path the last member was given (settable, as the component's property).")
        .def_property(
            "decimal_separator",
            [](GetuserData& g) -> py::object {
                std::lock_guard lock(g.mutex);
                const auto& s = g.object.decimal_separator();
                return s ? py::object(utf16_str(*s)) : py::none();
            },
            [](GetuserData& g, const std::optional<std::u16string>& v) {
                std::lock_guard lock(g.mutex);
                g.object.decimal_separator(v);
            },
            "The decimal separator of currency and float texts; None (the default) reads the locale's at each call.")
        .def(
            "tarife_holen",
            [](GetuserData& g, const py::object& hsdatei, std::int32_t hssatzvon, std::int32_t hssatzbis) {
                const Text path = path_text(hsdatei);
                std::int32_t bis = hssatzbis;
                Text t = call<Text>(g, [&](getuser_data& o) { return o.tarife_holen(path, hssatzvon, bis); });
                return py::make_tuple(utf16_str(t), bis);
            },
            py::arg("hsdatei"), py::arg("hssatzvon"), py::arg("hssatzbis"),
            "Tariff records hssatzvon..hssatzbis as numbered lines: (text, hssatzbis lowered to the count).");
    bind_text_member(c, "userdatensatz_holen", &getuser_data::userdatensatz_holen,
                     "Record text of personnel record hssatz (layout by the rule on the path).");
    bind_text_member(c, "tarifsatz_holen", &getuser_data::tarifsatz_holen, "Values of tariff record hssatz.");
    bind_count_member(c, "getsatzanzahl", &getuser_data::getsatzanzahl, "Tariff records in the file.");
    bind_count_member(c, "getusersatzanzahl", &getuser_data::getusersatzanzahl, "Personnel records in the file.");
    bind_count_member(c, "getJDAsatzanzahl", &getuser_data::getJDAsatzanzahl, "JDA records in the file.");
    bind_count_member(c, "getBDAsatzanzahl", &getuser_data::getBDAsatzanzahl, "BDA records in the file.");
    bind_count_member(c, "getZUSCHLAGsatzanzahl", &getuser_data::getZUSCHLAGsatzanzahl, "Surcharge records in the file.");
    bind_count_member(c, "getSOZVERSsatzanzahl", &getuser_data::getSOZVERSsatzanzahl,
                      "Social insurance records in the file.");
    bind_count_member(c, "getURLAUBsatzanzahl", &getuser_data::getURLAUBsatzanzahl, "Leave sheet records in the file.");
    bind_count_member(c, "getKALENDERsatzanzahl", &getuser_data::getKALENDERsatzanzahl,
                      "Leave calendar records in the file.");
    bind_text_member(c, "BDAdatensatz_holen", &getuser_data::BDAdatensatz_holen, "Record text of BDA record hssatz.");
    bind_text_member(c, "JDAdatensatz_holen", &getuser_data::JDAdatensatz_holen, "Record text of JDA record hssatz.");
    bind_text_member(c, "Zuschl\xC3\xA4gedatensatz_holen", &getuser_data::Zuschlägedatensatz_holen,
                     "Record text of surcharge record hssatz.");
    // The same member under an ASCII name, for editors and keyboards without "ä".
    bind_text_member(c, "Zuschlaegedatensatz_holen", &getuser_data::Zuschlägedatensatz_holen,
                     "Zuschl\xC3\xA4gedatensatz_holen under an ASCII name.");
    bind_text_member(c, "SOZVERSdatensatz_holen", &getuser_data::SOZVERSdatensatz_holen,
                     "Record text of social insurance record hssatz.");
    bind_text_member(c, "URLAUBdatensatz_holen", &getuser_data::URLAUBdatensatz_holen,
                     "Record text of leave sheet record hssatz.");
    bind_text_member(c, "KALENDERdatensatz_holen", &getuser_data::KALENDERdatensatz_holen,
                     "Record text of leave calendar record hssatz.");
}
