// Writes the type library of Nelvo_data from the member table, through the
// platform's own ICreateTypeLib2 (widl cannot spell the member name with
// "ä"), and the identity resource holding the interface identifier.
//   typelib_generator OUT.tlb OUT-iid.bin
// Runs at build time (under Wine when cross-compiling).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <windows.h>
#include <oleauto.h>

#include "automation/com_ptr.hpp"
#include "automation/interface_table.hpp"

namespace {

using namespace nelvo::automation;

// Ends the program on a failed step, naming it.
void check(HRESULT hr, const char* step)
{
    if (SUCCEEDED(hr)) return;
    std::fprintf(stderr, "typelib_generator: %s failed (0x%08lx)\n", step, static_cast<unsigned long>(hr));
    std::exit(1);
}

ComPtr<ICreateTypeInfo> create(ICreateTypeLib2* lib, const wchar_t* name, TYPEKIND kind, const GUID& guid)
{
    ComPtr<ICreateTypeInfo> info;
    check(lib->CreateTypeInfo(const_cast<LPOLESTR>(name), kind, info.put()), "CreateTypeInfo");
    check(info->SetGuid(guid), "SetGuid");
    return info;
}

// A reference from `from` to `to`, for AddImplType.
HREFTYPE reference(ICreateTypeInfo* from, ITypeInfo* to)
{
    HREFTYPE ref = 0;
    check(from->AddRefTypeInfo(to, &ref), "AddRefTypeInfo");
    return ref;
}

ComPtr<ITypeInfo> type_info_of(ICreateTypeInfo* info)
{
    ComPtr<ITypeInfo> ti;
    check(info->QueryInterface(IID_ITypeInfo, ti.put_void()), "QueryInterface(ITypeInfo)");
    return ti;
}

void add_member(ICreateTypeInfo* info, UINT index, const Member& m)
{
    TYPEDESC pointee[4] = {};
    ELEMDESC params[4] = {};
    std::vector<LPOLESTR> names{const_cast<LPOLESTR>(m.name)};
    for (SHORT k = 0; k < m.param_count; ++k) {
        const Param& p = m.params[k];
        if (p.by_ref) {
            pointee[k].vt = p.vt;
            params[k].tdesc.vt = VT_PTR;
            params[k].tdesc.lptdesc = &pointee[k];
        } else {
            params[k].tdesc.vt = p.vt;
        }
        params[k].paramdesc.wParamFlags = p.flags;
        if (p.name) names.push_back(const_cast<LPOLESTR>(p.name));
    }
    FUNCDESC fd{};
    fd.memid = m.dispid;
    fd.funckind = FUNC_PUREVIRTUAL;
    fd.invkind = m.kind;
    fd.callconv = CC_STDCALL;
    fd.cParams = m.param_count;
    fd.oVft = static_cast<SHORT>((first_member_slot + index) * sizeof(void*));
    fd.lprgelemdescParam = params;
    fd.elemdescFunc.tdesc.vt = VT_HRESULT;
    check(info->AddFuncDesc(index, &fd), "AddFuncDesc");
    check(info->SetFuncAndParamNames(index, names.data(), static_cast<UINT>(names.size())), "SetFuncAndParamNames");
}

ComPtr<ICreateTypeInfo> add_interface(ICreateTypeLib2* lib)
{
    ComPtr<ITypeLib> stdole;
    check(LoadTypeLib(L"stdole2.tlb", stdole.put()), "LoadTypeLib(stdole2)");
    ComPtr<ITypeInfo> dispatch;
    check(stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatch.put()), "GetTypeInfoOfGuid(IDispatch)");

    auto info = create(lib, interface_name, TKIND_INTERFACE, iid);
    check(info->SetTypeFlags(interface_flags), "SetTypeFlags(interface)");
    check(info->AddImplType(0, reference(info.get(), dispatch.get())), "AddImplType(IDispatch)");
    for (UINT i = 0; i < members.size(); ++i) add_member(info.get(), i, members[i]);
    check(info->LayOut(), "LayOut(interface)");
    return info;
}

void add_coclass(ICreateTypeLib2* lib, ICreateTypeInfo* iface)
{
    auto info = create(lib, class_name, TKIND_COCLASS, clsid);
    check(info->AddImplType(0, reference(info.get(), type_info_of(iface).get())), "AddImplType(_getuser_data)");
    check(info->SetImplTypeFlags(0, IMPLTYPEFLAG_FDEFAULT), "SetImplTypeFlags");
    // After AddImplType: Wine would otherwise add a flag of its own.
    check(info->SetTypeFlags(TYPEFLAG_FCANCREATE), "SetTypeFlags(coclass)");
    check(info->LayOut(), "LayOut(coclass)");
}

void add_record(ICreateTypeLib2* lib)
{
    auto info = create(lib, record_name, TKIND_RECORD, personen2_guid);
    ARRAYDESC bounds{};
    bounds.tdescElem.vt = VT_I4;
    bounds.cDims = 1;
    bounds.rgbounds[0].cElements = record_elements;
    bounds.rgbounds[0].lLbound = 0;
    VARDESC vd{};
    vd.memid = 0x40000000;
    vd.varkind = VAR_PERINSTANCE;
    vd.oInst = 0;
    vd.elemdescVar.tdesc.vt = VT_CARRAY;
    vd.elemdescVar.tdesc.lpadesc = &bounds;
    check(info->AddVarDesc(0, &vd), "AddVarDesc(Feld)");
    check(info->SetVarName(0, const_cast<LPOLESTR>(record_field)), "SetVarName(Feld)");
    check(info->SetAlignment(4), "SetAlignment(Personen2)");
    check(info->LayOut(), "LayOut(Personen2)");
}

// Wine's ICreateTypeInfo leaves a record's instance size at 0 (Windows
// computes it in LayOut), so it is written into the saved file: the size
// field of the record's entry in the type info table of the MSFT format.
void set_record_size(const wchar_t* path, std::uint32_t size)
{
    std::FILE* f = _wfopen(path, L"r+b");
    auto fail = [&](const char* why) {
        std::fprintf(stderr, "typelib_generator: %ls: %s\n", path, why);
        std::exit(1);
    };
    if (!f) fail("cannot open");
    auto read_at = [&](long at, void* out, std::size_t n) {
        if (std::fseek(f, at, SEEK_SET) != 0 || std::fread(out, 1, n, f) != n) fail("truncated");
    };
    constexpr long header_size = 0x54, entry_size = 0x64, kind_at = 0x00, size_at = 0x50;
    constexpr std::int32_t help_dll_flag = 0x100;
    std::int32_t magic = 0, varflags = 0, count = 0, table = 0;
    read_at(0x00, &magic, 4);
    read_at(0x14, &varflags, 4);
    read_at(0x20, &count, 4);
    if (magic != 0x5446534D) fail("not an MSFT type library");
    // After the header: one offset per type info, one more with a help DLL,
    // then the segment directory, whose first entry is the type info table.
    read_at(header_size + 4L * count + ((varflags & help_dll_flag) ? 4 : 0), &table, 4);
    int patched = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t kind = 0;
        const long entry = table + i * entry_size;
        read_at(entry + kind_at, &kind, 4);
        if ((kind & 0xF) != TKIND_RECORD) continue;
        if (std::fseek(f, entry + size_at, SEEK_SET) != 0 || std::fwrite(&size, 4, 1, f) != 1) fail("cannot write");
        ++patched;
    }
    if (std::fclose(f) != 0 || patched != 1) fail("record entry not found");
}

// The library describes the v-table of the DLL it is embedded in, so it
// takes the bitness of the build that runs the generator.
#ifdef _WIN64
constexpr SYSKIND target_syskind = SYS_WIN64;
#else
constexpr SYSKIND target_syskind = SYS_WIN32;
#endif

void write_iid_resource(const wchar_t* path)
{
    // The length of what follows, then the identifier as it lies in memory.
    const DWORD length = sizeof(GUID);
    FILE* f = _wfopen(path, L"wb");
    if (!f || std::fwrite(&length, sizeof length, 1, f) != 1 || std::fwrite(&iid, sizeof iid, 1, f) != 1 ||
        std::fclose(f) != 0) {
        std::fprintf(stderr, "typelib_generator: cannot write %ls\n", path);
        std::exit(1);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: typelib_generator OUT.tlb OUT-iid.bin\n");
        return 2;
    }
    ComPtr<ICreateTypeLib2> lib;
    check(CreateTypeLib2(target_syskind, argv[1], lib.put()), "CreateTypeLib2");
    check(lib->SetName(const_cast<LPOLESTR>(library_name)), "SetName");
    check(lib->SetGuid(libid), "SetGuid(library)");
    check(lib->SetVersion(library_major, library_minor), "SetVersion");
    check(lib->SetLcid(LANG_NEUTRAL), "SetLcid");

    auto iface = add_interface(lib.get());
    add_coclass(lib.get(), iface.get());
    add_record(lib.get());
    check(lib->SaveAllChanges(), "SaveAllChanges");
    lib.reset();
    set_record_size(argv[1], record_elements * sizeof(std::int32_t));
    write_iid_resource(argv[2]);
    return 0;
}
