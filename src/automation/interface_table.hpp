// The Automation face of getuser_data, written once: identity values and the
// member list of `_getuser_data` in v-table order. The same list declares
// the C++ v-table (below and in object.hpp) and feeds the type library
// generator (`members`), so the two cannot drift apart.
#pragma once

#include <array>
#include <cstddef>

#include <windows.h>
#include <oaidl.h>

namespace nelvo::automation {

inline constexpr GUID libid = {0x332453D0, 0xD359, 0x4AD9, {0x8A, 0x2C, 0x82, 0xD1, 0x2C, 0xC6, 0xCC, 0xAA}};
inline constexpr GUID clsid = {0xEF40C567, 0x0FE9, 0x4738, {0xA3, 0x05, 0x1F, 0xE7, 0x15, 0xF7, 0xB2, 0x29}};
inline constexpr GUID iid = {0x3D357C7B, 0x40EC, 0x461E, {0x83, 0x6D, 0xF2, 0x5A, 0xEB, 0xED, 0xF3, 0xC1}};
inline constexpr GUID personen2_guid = {0xAFA4C96C, 0xB679, 0x4050, {0x93, 0xF9, 0xD4, 0xD7, 0x74, 0x69, 0xB2, 0xB5}};

inline constexpr const wchar_t* library_name = L"Nelvo_data";
inline constexpr WORD library_major = 1;
inline constexpr WORD library_minor = 0;
inline constexpr const wchar_t* interface_name = L"_getuser_data";
inline constexpr const wchar_t* class_name = L"getuser_data";
inline constexpr const wchar_t* progid = L"Nelvo_data.getuser_data";
inline constexpr const wchar_t* record_name = L"Personen2";
inline constexpr const wchar_t* record_field = L"Feld";
inline constexpr ULONG record_elements = 27;  // Feld(0 To 26) As Long
inline constexpr WORD interface_flags =
    TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION;

// The member list, IDL-like. PROPGET(dispid, name) is
// `[propget] HRESULT name([out, retval] BSTR*)`, PROPPUT(dispid, name) is
// `[propput] HRESULT name([in] BSTR)`, and METHOD(dispid, name, (type, param)...)
// is `HRESULT name([in, out] type param..., [out, retval] VARIANT*)`.
#define NELVO_GETUSER_DATA_MEMBERS(PROPGET, PROPPUT, METHOD)                                              \
    PROPGET(0x40030000, eigdat)                                                                           \
    PROPPUT(0x40030000, eigdat)                                                                           \
    METHOD(0x60030000, tarife_holen, (BSTR*, hsdatei), (long*, hssatzvon), (long*, hssatzbis))           \
    METHOD(0x60030001, userdatensatz_holen, (BSTR*, hsdatei), (long*, hssatz))                           \
    METHOD(0x60030002, tarifsatz_holen, (BSTR*, hsdatei), (long*, hssatz))                               \
    METHOD(0x60030003, getsatzanzahl, (BSTR*, hsdatei))                                                  \
    METHOD(0x60030004, getusersatzanzahl, (BSTR*, hsdatei))                                              \
    METHOD(0x60030005, getJDAsatzanzahl, (BSTR*, hsdatei))                                               \
    METHOD(0x60030006, getBDAsatzanzahl, (BSTR*, hsdatei))                                               \
    METHOD(0x60030007, getZUSCHLAGsatzanzahl, (BSTR*, hsdatei))                                          \
    METHOD(0x60030008, getSOZVERSsatzanzahl, (BSTR*, hsdatei))                                           \
    METHOD(0x60030009, getURLAUBsatzanzahl, (BSTR*, hsdatei))                                            \
    METHOD(0x6003000A, getKALENDERsatzanzahl, (BSTR*, hsdatei))                                          \
    METHOD(0x6003000B, BDAdatensatz_holen, (BSTR*, hsdatei), (long*, hssatz))                            \
    METHOD(0x6003000C, JDAdatensatz_holen, (BSTR*, hsdatei), (long*, hssatz))                            \
    METHOD(0x6003000D, Zuschlägedatensatz_holen, (BSTR*, hsdatei), (long*, hssatz))                      \
    METHOD(0x6003000E, SOZVERSdatensatz_holen, (BSTR*, hsdatei), (long*, hssatz))                        \
    METHOD(0x6003000F, URLAUBdatensatz_holen, (BSTR*, hsdatei), (long*, hssatz))                         \
    METHOD(0x60030010, KALENDERdatensatz_holen, (BSTR*, hsdatei), (long*, hssatz))

// ---- expansion helpers ----
// NELVO_EACH_PARAM(F, (t, n)...) applies F(t, n) to one to three parameters.
#define NELVO_EACH_PARAM_1(F, a) F a
#define NELVO_EACH_PARAM_2(F, a, b) F a, F b
#define NELVO_EACH_PARAM_3(F, a, b, c) F a, F b, F c
#define NELVO_EACH_PARAM_PICK(_1, _2, _3, which, ...) which
#define NELVO_EACH_PARAM(F, ...) \
    NELVO_EACH_PARAM_PICK(__VA_ARGS__, NELVO_EACH_PARAM_3, NELVO_EACH_PARAM_2, NELVO_EACH_PARAM_1, )(F, __VA_ARGS__)
#define NELVO_PARAM_DECL(type, name) type name
#define NELVO_WIDE_(s) L##s
#define NELVO_WIDE(s) NELVO_WIDE_(s)

// Member signatures; SUFFIX is `= 0` for the interface, `override` for an
// implementation.
#define NELVO_DECLARE_PROPGET(dispid, name, SUFFIX) \
    virtual HRESULT STDMETHODCALLTYPE get_##name(BSTR* value) SUFFIX;
#define NELVO_DECLARE_PROPPUT(dispid, name, SUFFIX) \
    virtual HRESULT STDMETHODCALLTYPE put_##name(BSTR value) SUFFIX;
#define NELVO_DECLARE_METHOD(dispid, name, SUFFIX, ...) \
    virtual HRESULT STDMETHODCALLTYPE name(NELVO_EACH_PARAM(NELVO_PARAM_DECL, __VA_ARGS__), VARIANT* result) SUFFIX;

#define NELVO_PURE_PROPGET(dispid, name) NELVO_DECLARE_PROPGET(dispid, name, = 0)
#define NELVO_PURE_PROPPUT(dispid, name) NELVO_DECLARE_PROPPUT(dispid, name, = 0)
#define NELVO_PURE_METHOD(dispid, name, ...) NELVO_DECLARE_METHOD(dispid, name, = 0, __VA_ARGS__)

// The dual interface as C++ sees it: IDispatch's seven slots, then the members.
struct _getuser_data : IDispatch {
    NELVO_GETUSER_DATA_MEMBERS(NELVO_PURE_PROPGET, NELVO_PURE_PROPPUT, NELVO_PURE_METHOD)
};

// ---- the same list as data, for the type library ----

struct Param {
    VARTYPE vt;        // VT_BSTR, VT_I4 or VT_VARIANT
    bool by_ref;       // passed as a pointer to vt
    USHORT flags;      // PARAMFLAG_*
    const wchar_t* name;  // null: unnamed (the return value)
};

struct Member {
    MEMBERID dispid;
    INVOKEKIND kind;
    const wchar_t* name;
    std::array<Param, 4> params;  // the first `param_count` are used
    SHORT param_count;
};

template <class T>
struct ParamOf;
template <>
struct ParamOf<BSTR*> {
    static constexpr VARTYPE vt = VT_BSTR;
};
template <>
struct ParamOf<long*> {
    static constexpr VARTYPE vt = VT_I4;
};

inline constexpr USHORT in_out = PARAMFLAG_FIN | PARAMFLAG_FOUT;
inline constexpr USHORT out_retval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;

#define NELVO_TABLE_PARAM(type, name) Param{ParamOf<type>::vt, true, in_out, NELVO_WIDE(#name)}
#define NELVO_TABLE_PROPGET(dispid, name) \
    Member{dispid, INVOKE_PROPERTYGET, NELVO_WIDE(#name), {{{VT_BSTR, true, out_retval, nullptr}}}, 1},
#define NELVO_TABLE_PROPPUT(dispid, name) \
    Member{dispid, INVOKE_PROPERTYPUT, NELVO_WIDE(#name), {{{VT_BSTR, false, PARAMFLAG_FIN, nullptr}}}, 1},
#define NELVO_TABLE_METHOD(dispid, name, ...)                                                              \
    Member{dispid, INVOKE_FUNC, NELVO_WIDE(#name),                                                         \
           {{NELVO_EACH_PARAM(NELVO_TABLE_PARAM, __VA_ARGS__), Param{VT_VARIANT, true, out_retval, nullptr}}}, \
           static_cast<SHORT>(std::array{NELVO_EACH_PARAM(NELVO_TABLE_PARAM, __VA_ARGS__)}.size() + 1)},

inline constexpr std::array members = {
    NELVO_GETUSER_DATA_MEMBERS(NELVO_TABLE_PROPGET, NELVO_TABLE_PROPPUT, NELVO_TABLE_METHOD)};
static_assert(members.size() == 19);

// The v-table slot of members[i]: after IUnknown's three and IDispatch's four.
inline constexpr std::size_t first_member_slot = 7;

// The entry for `dispid` and the kind of call, or null.
constexpr const Member* find_member(MEMBERID dispid, WORD flags)
{
    for (const Member& m : members)
        if (m.dispid == dispid && (m.kind & flags)) return &m;
    return nullptr;
}

}  // namespace nelvo::automation
