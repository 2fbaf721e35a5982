// Nelvo_data for C++ callers: the class and interface identifiers and the
// dual interface _getuser_data as the type library describes it, so that a
// program can call the members through the v-table without #import.
// Needs C++17; with Visual C++ compile with /utf-8 (one member name holds "ä").
#pragma once

#include <windows.h>
#include <oaidl.h>

// Class getuser_data, ProgID "Nelvo_data.getuser_data".
inline constexpr CLSID CLSID_getuser_data = {
    0xEF40C567, 0x0FE9, 0x4738, {0xA3, 0x05, 0x1F, 0xE7, 0x15, 0xF7, 0xB2, 0x29}};
// Interface _getuser_data, the class's default interface.
inline constexpr IID IID__getuser_data = {
    0x3D357C7B, 0x40EC, 0x461E, {0x83, 0x6D, 0xF2, 0x5A, 0xEB, 0xED, 0xF3, 0xC1}};
// Type library Nelvo_data 1.0.
inline constexpr GUID LIBID_Nelvo_data = {
    0x332453D0, 0xD359, 0x4AD9, {0x8A, 0x2C, 0x82, 0xD1, 0x2C, 0xC6, 0xCC, 0xAA}};

// Every method takes its arguments by reference ([in, out]) and returns its
// result in a VARIANT: VT_I4 for counts, VT_BSTR for record text. Only
// tarife_holen writes an argument back: hssatzbis, lowered to the record
// count. A failure returns 0x800A0000 + the run-time error number and sets
// the thread's error object (GetErrorInfo) to its description.
struct _getuser_data : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_eigdat(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_eigdat(BSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE tarife_holen(BSTR* hsdatei, long* hssatzvon, long* hssatzbis,
                                                   VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE userdatensatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE tarifsatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE getsatzanzahl(BSTR* hsdatei, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE getusersatzanzahl(BSTR* hsdatei, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE getJDAsatzanzahl(BSTR* hsdatei, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE getBDAsatzanzahl(BSTR* hsdatei, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE getZUSCHLAGsatzanzahl(BSTR* hsdatei, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE getSOZVERSsatzanzahl(BSTR* hsdatei, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE getURLAUBsatzanzahl(BSTR* hsdatei, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE getKALENDERsatzanzahl(BSTR* hsdatei, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE BDAdatensatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE JDAdatensatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE Zuschlägedatensatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE SOZVERSdatensatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE URLAUBdatensatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE KALENDERdatensatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result) = 0;
};
