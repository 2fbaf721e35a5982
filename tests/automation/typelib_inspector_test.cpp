// Loads the type library and the resources from Nelvo_data.dll (path given
// as the first argument) and checks them against the published identity of
// the component. The expected values are spelled out here on purpose, not
// taken from the DLL's own member table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>
#include <oleauto.h>

namespace {

std::wstring dll_path;

const GUID libid = {0x332453D0, 0xD359, 0x4AD9, {0x8A, 0x2C, 0x82, 0xD1, 0x2C, 0xC6, 0xCC, 0xAA}};
const GUID clsid = {0xEF40C567, 0x0FE9, 0x4738, {0xA3, 0x05, 0x1F, 0xE7, 0x15, 0xF7, 0xB2, 0x29}};
const GUID iid = {0x3D357C7B, 0x40EC, 0x461E, {0x83, 0x6D, 0xF2, 0x5A, 0xEB, 0xED, 0xF3, 0xC1}};
const GUID personen2 = {0xAFA4C96C, 0xB679, 0x4050, {0x93, 0xF9, 0xD4, 0xD7, 0x74, 0x69, 0xB2, 0xB5}};

struct Expected {
    MEMBERID dispid;
    INVOKEKIND kind;
    std::wstring name;
    std::vector<std::wstring> params;  // [in, out]: hsdatei BSTR*, the rest long*
};

const std::vector<Expected> expected_members = {
    {0x40030000, INVOKE_PROPERTYGET, L"eigdat", {}},
    {0x40030000, INVOKE_PROPERTYPUT, L"eigdat", {}},
    {0x60030000, INVOKE_FUNC, L"tarife_holen", {L"hsdatei", L"hssatzvon", L"hssatzbis"}},
    {0x60030001, INVOKE_FUNC, L"userdatensatz_holen", {L"hsdatei", L"hssatz"}},
    {0x60030002, INVOKE_FUNC, L"tarifsatz_holen", {L"hsdatei", L"hssatz"}},
    {0x60030003, INVOKE_FUNC, L"getsatzanzahl", {L"hsdatei"}},
    {0x60030004, INVOKE_FUNC, L"getusersatzanzahl", {L"hsdatei"}},
    {0x60030005, INVOKE_FUNC, L"getJDAsatzanzahl", {L"hsdatei"}},
    {0x60030006, INVOKE_FUNC, L"getBDAsatzanzahl", {L"hsdatei"}},
    {0x60030007, INVOKE_FUNC, L"getZUSCHLAGsatzanzahl", {L"hsdatei"}},
    {0x60030008, INVOKE_FUNC, L"getSOZVERSsatzanzahl", {L"hsdatei"}},
    {0x60030009, INVOKE_FUNC, L"getURLAUBsatzanzahl", {L"hsdatei"}},
    {0x6003000A, INVOKE_FUNC, L"getKALENDERsatzanzahl", {L"hsdatei"}},
    {0x6003000B, INVOKE_FUNC, L"BDAdatensatz_holen", {L"hsdatei", L"hssatz"}},
    {0x6003000C, INVOKE_FUNC, L"JDAdatensatz_holen", {L"hsdatei", L"hssatz"}},
    {0x6003000D, INVOKE_FUNC, L"Zuschl\u00E4gedatensatz_holen", {L"hsdatei", L"hssatz"}},
    {0x6003000E, INVOKE_FUNC, L"SOZVERSdatensatz_holen", {L"hsdatei", L"hssatz"}},
    {0x6003000F, INVOKE_FUNC, L"URLAUBdatensatz_holen", {L"hsdatei", L"hssatz"}},
    {0x60030010, INVOKE_FUNC, L"KALENDERdatensatz_holen", {L"hsdatei", L"hssatz"}},
};

class TypeLibrary : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LoadTypeLibEx(dll_path.c_str(), REGKIND_NONE, &lib), S_OK); }
    void TearDown() override
    {
        if (lib) lib->Release();
    }
    ITypeInfo* info_of(const GUID& g)
    {
        ITypeInfo* info = nullptr;
        EXPECT_EQ(lib->GetTypeInfoOfGuid(g, &info), S_OK);
        infos.emplace_back(info);
        return info;
    }
    ITypeInfo* ref_of(ITypeInfo* from, UINT index)
    {
        HREFTYPE ref = 0;
        ITypeInfo* to = nullptr;
        EXPECT_EQ(from->GetRefTypeOfImplType(index, &ref), S_OK);
        EXPECT_EQ(from->GetRefTypeInfo(ref, &to), S_OK);
        infos.emplace_back(to);
        return to;
    }
    static std::wstring name_of(ITypeInfo* info, MEMBERID id = MEMBERID_NIL)
    {
        BSTR name = nullptr;
        info->GetDocumentation(id, &name, nullptr, nullptr, nullptr);
        std::wstring s = name ? name : L"";
        SysFreeString(name);
        return s;
    }

    struct Attr {
        ITypeInfo* info;
        TYPEATTR* a = nullptr;
        explicit Attr(ITypeInfo* i) : info(i) { info->GetTypeAttr(&a); }
        ~Attr() { info->ReleaseTypeAttr(a); }
        TYPEATTR* operator->() const { return a; }
    };

    ~TypeLibrary() override
    {
        for (auto* i : infos)
            if (i) i->Release();
    }

    ITypeLib* lib = nullptr;
    std::vector<ITypeInfo*> infos;
};

TEST_F(TypeLibrary, LibraryIdentity)
{
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, libid));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    lib->ReleaseTLibAttr(attr);
    BSTR name = nullptr;
    ASSERT_EQ(lib->GetDocumentation(-1, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name, L"Nelvo_data");
    SysFreeString(name);
    EXPECT_EQ(lib->GetTypeInfoCount(), 3u);
}

TEST_F(TypeLibrary, InterfaceIsDualHiddenNonextensible)
{
    ITypeInfo* disp = info_of(iid);
    ASSERT_NE(disp, nullptr);
    EXPECT_EQ(name_of(disp), L"_getuser_data");
    const WORD flags = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FHIDDEN |
                       TYPEFLAG_FDISPATCHABLE;
    {
        // The dispinterface view of a dual interface drops oleautomation.
        Attr a(disp);
        EXPECT_EQ(a->typekind, TKIND_DISPATCH);
        EXPECT_EQ(a->wTypeFlags, flags & ~TYPEFLAG_FOLEAUTOMATION);
    }
    ITypeInfo* vt = ref_of(disp, static_cast<UINT>(-1));
    Attr a(vt);
    EXPECT_EQ(a->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(IsEqualGUID(a->guid, iid));
    EXPECT_EQ(a->wTypeFlags, flags);
    EXPECT_EQ(a->cFuncs, expected_members.size());
    EXPECT_EQ(a->cbSizeVft, (7 + expected_members.size()) * sizeof(void*));
    ASSERT_EQ(a->cImplTypes, 1);
    EXPECT_EQ(name_of(ref_of(vt, 0)), L"IDispatch");
}

TEST_F(TypeLibrary, MembersInVtableOrderWithDispidsAndParameters)
{
    ITypeInfo* vt = ref_of(info_of(iid), static_cast<UINT>(-1));
    for (UINT i = 0; i < expected_members.size(); ++i) {
        const Expected& e = expected_members[i];
        SCOPED_TRACE(e.name);
        FUNCDESC* fd = nullptr;
        ASSERT_EQ(vt->GetFuncDesc(i, &fd), S_OK);
        EXPECT_EQ(fd->memid, e.dispid);
        EXPECT_EQ(fd->invkind, e.kind);
        EXPECT_EQ(fd->funckind, FUNC_PUREVIRTUAL);
        EXPECT_EQ(fd->callconv, CC_STDCALL);
        EXPECT_EQ(fd->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
        EXPECT_EQ(fd->elemdescFunc.tdesc.vt, VT_HRESULT);

        BSTR names[8] = {};
        UINT got = 0;
        ASSERT_EQ(vt->GetNames(fd->memid, names, 8, &got), S_OK);
        EXPECT_STREQ(names[0], e.name.c_str());

        if (e.kind == INVOKE_FUNC) {
            ASSERT_EQ(fd->cParams, static_cast<SHORT>(e.params.size() + 1));
            EXPECT_GE(got, e.params.size() + 1);
            for (std::size_t k = 0; k < e.params.size(); ++k) {
                const ELEMDESC& p = fd->lprgelemdescParam[k];
                EXPECT_STREQ(names[k + 1], e.params[k].c_str());
                EXPECT_EQ(p.tdesc.vt, VT_PTR);
                EXPECT_EQ(p.tdesc.lptdesc->vt, k == 0 ? VT_BSTR : VT_I4);
                EXPECT_EQ(p.paramdesc.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOUT);
            }
            const ELEMDESC& r = fd->lprgelemdescParam[e.params.size()];
            EXPECT_EQ(r.tdesc.vt, VT_PTR);
            EXPECT_EQ(r.tdesc.lptdesc->vt, VT_VARIANT);
            EXPECT_EQ(r.paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
        } else {
            ASSERT_EQ(fd->cParams, 1);
            const ELEMDESC& p = fd->lprgelemdescParam[0];
            if (e.kind == INVOKE_PROPERTYGET) {
                EXPECT_EQ(p.tdesc.vt, VT_PTR);
                EXPECT_EQ(p.tdesc.lptdesc->vt, VT_BSTR);
                EXPECT_EQ(p.paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
            } else {
                EXPECT_EQ(p.tdesc.vt, VT_BSTR);
                EXPECT_EQ(p.paramdesc.wParamFlags, PARAMFLAG_FIN);
            }
        }
        for (BSTR n : names) SysFreeString(n);
        vt->ReleaseFuncDesc(fd);
    }
}

TEST_F(TypeLibrary, LateBoundNamesFindTheirDispids)
{
    ITypeInfo* disp = info_of(iid);
    for (const wchar_t* name : {L"Zuschl\u00E4gedatensatz_holen", L"zuschl\u00E4gedatensatz_holen",
                                L"ZUSCHL\u00C4GEDATENSATZ_HOLEN"}) {
        LPOLESTR n = const_cast<LPOLESTR>(name);
        MEMBERID id = 0;
        EXPECT_EQ(disp->GetIDsOfNames(&n, 1, &id), S_OK);
        EXPECT_EQ(id, 0x6003000D);
    }
}

TEST_F(TypeLibrary, CoclassIsCreatableWithDefaultInterface)
{
    ITypeInfo* cls = info_of(clsid);
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(name_of(cls), L"getuser_data");
    Attr a(cls);
    EXPECT_EQ(a->typekind, TKIND_COCLASS);
    EXPECT_EQ(a->wTypeFlags, TYPEFLAG_FCANCREATE);
    ASSERT_EQ(a->cImplTypes, 1);
    INT flags = 0;
    EXPECT_EQ(cls->GetImplTypeFlags(0, &flags), S_OK);
    EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT);
    Attr impl(ref_of(cls, 0));
    EXPECT_TRUE(IsEqualGUID(impl->guid, iid));
}

TEST_F(TypeLibrary, RecordPersonen2HoldsFeldOf27Longs)
{
    ITypeInfo* rec = info_of(personen2);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(name_of(rec), L"Personen2");
    Attr a(rec);
    EXPECT_EQ(a->typekind, TKIND_RECORD);
    EXPECT_EQ(a->cbSizeInstance, 108u);
    ASSERT_EQ(a->cVars, 1);
    VARDESC* vd = nullptr;
    ASSERT_EQ(rec->GetVarDesc(0, &vd), S_OK);
    EXPECT_EQ(name_of(rec, vd->memid), L"Feld");
    EXPECT_EQ(vd->oInst, 0u);
    ASSERT_EQ(vd->elemdescVar.tdesc.vt, VT_CARRAY);
    const ARRAYDESC* ad = vd->elemdescVar.tdesc.lpadesc;
    EXPECT_EQ(ad->tdescElem.vt, VT_I4);
    ASSERT_EQ(ad->cDims, 1);
    EXPECT_EQ(ad->rgbounds[0].cElements, 27u);
    EXPECT_EQ(ad->rgbounds[0].lLbound, 0);
    rec->ReleaseVarDesc(vd);
}

// ---- resources ----

struct Module {
    HMODULE h = LoadLibraryExW(dll_path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ~Module()
    {
        if (h) FreeLibrary(h);
    }
    std::string resource(const wchar_t* type, int id) const
    {
        HRSRC r = FindResourceW(h, MAKEINTRESOURCEW(id), type);
        if (!r) return {};
        const char* p = static_cast<const char*>(LockResource(LoadResource(h, r)));
        return std::string(p, SizeofResource(h, r));
    }
};

TEST(Resources, TypeLibraryStoresTheUmlautInCodePage1252)
{
    Module m;
    const std::string tlb = m.resource(L"TYPELIB", 1);
    ASSERT_GT(tlb.size(), 4u);
    EXPECT_EQ(tlb.substr(0, 4), "MSFT");
    EXPECT_NE(tlb.find("Zuschl\xE4gedatensatz_holen"), std::string::npos);
}

TEST(Resources, InterfaceIdentifierResource)
{
    Module m;
    const std::string r = m.resource(L"_IID_GETUSER_DATA", 1);
    const std::string want("\x10\0\0\0\x7B\x7C\x35\x3D\xEC\x40\x1E\x46\x83\x6D\xF2\x5A\xEB\xED\xF3\xC1", 20);
    EXPECT_EQ(r, want);
}

std::wstring version_string(const std::vector<char>& block, const wchar_t* name)
{
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040704B0\\") + name;
    void* p = nullptr;
    UINT n = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), &p, &n)) return L"<missing>";
    return n ? std::wstring(static_cast<const wchar_t*>(p)) : L"";
}

TEST(Resources, VersionInformation)
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(dll_path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(dll_path.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT n = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &n));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(version_string(block, L"FileVersion"), L"1.00");
    EXPECT_EQ(version_string(block, L"ProductVersion"), L"1.00");
    EXPECT_EQ(version_string(block, L"InternalName"), L"Nelvo_data");
    EXPECT_EQ(version_string(block, L"OriginalFilename"), L"Nelvo_data.dll");
    EXPECT_NE(version_string(block, L"OLESelfRegister"), L"<missing>");
    EXPECT_EQ(version_string(block, L"ProductName"), L"Nelvo_data");
    EXPECT_EQ(version_string(block, L"FileDescription"),
              sizeof(void*) == 8 ? L"Nelvo_data: Automation-Server (64 Bit)" : L"Nelvo_data: Automation-Server (32 Bit)");
}

TEST(Exports, EntryPointsAreUndecorated)
{
    HMODULE h = LoadLibraryW(dll_path.c_str());
    ASSERT_NE(h, nullptr);
    for (const char* name :
         {"DllRegisterServer", "DllUnregisterServer", "DllGetClassObject", "DllCanUnloadNow", "DllInstall"})
        EXPECT_NE(GetProcAddress(h, name), nullptr) << name;
    FreeLibrary(h);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: typelib_inspector_test PATH-TO-Nelvo_data.dll\n");
        return 2;
    }
    dll_path = argv[1];
    return RUN_ALL_TESTS();
}
