// The type library the control carries: its types, flags, members and their identifiers.
#include "host_support.h"

namespace horolon_test {

void CheckTypeLibrary(IDispatch* object) {
  ComPtr<IProvideClassInfo2> class_info;
  Check(SUCCEEDED(object->QueryInterface(IID_IProvideClassInfo2, class_info.PutVoid())),
        "IProvideClassInfo2");
  if (!class_info) return;
  GUID source = GUID_NULL;
  Check(class_info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source) == S_OK &&
            source == DIID___LongTimer,
        "default source is __LongTimer");
  ComPtr<ITypeInfo> coclass;
  Check(SUCCEEDED(class_info->GetClassInfo(coclass.Put())), "GetClassInfo");
  ComPtr<ITypeLib> library;
  UINT index = 0;
  if (!coclass || FAILED(coclass->GetContainingTypeLib(library.Put(), &index))) {
    Check(false, "type library found through the class");
    return;
  }
  TLIBATTR* lib = nullptr;
  library->GetLibAttr(&lib);
  // The locales themselves are pinned in the library's header (CheckResources); what the library
  // reports here is either, depending on the implementation.
  Check(lib && lib->guid == LIBID_Horolib && lib->wMajorVerNum == 6 && lib->wMinorVerNum == 0 &&
            (lib->wLibFlags & LIBFLAG_FCONTROL),
        "library GUID, version 6.0, control flag; locale " + std::to_string(lib ? lib->lcid : 0));
  if (lib) library->ReleaseTLibAttr(lib);
  BSTR name = nullptr;
  BSTR help = nullptr;
  library->GetDocumentation(-1, &name, &help, nullptr, nullptr);
  Check(name && std::wstring(name) == L"Horolib" && help && ::SysStringLen(help) > 0,
        "library name Horolib with a help string");
  ::SysFreeString(name);
  ::SysFreeString(help);

  // The library registered by the class's TypeLib key is the same one.
  ComPtr<ITypeLib> registered;
  // NOTE: Windows registers the library under its neutral registration locale (0); Wine reads
  // the locale of the names (0x0409) instead. Asking for 0x0409 finds either.
  Check(SUCCEEDED(::LoadRegTypeLib(LIBID_Horolib, 6, 0, 0x0409, registered.Put())),
        "LoadRegTypeLib 6.0");

  struct Expected {
    const GUID* guid;
    TYPEKIND kind;
    WORD flags;
    const wchar_t* name;
  };
  // NOTE: the dispatch half of a dual interface does not report the OLE-automation flag
  // (0x100); the library holds 0x11D0, which the interface half reads back (checked below).
  const Expected expected[] = {{&IID__LongTimer, TKIND_DISPATCH, 0x10D0, L"_LongTimer"},
                               {&CLSID_LongTimer, TKIND_COCLASS, 0x20, L"LongTimer"},
                               {&DIID___LongTimer, TKIND_DISPATCH, 0x1090, L"__LongTimer"}};
  Check(library->GetTypeInfoCount() == 3, "three type descriptions");
  for (UINT i = 0; i < 3 && i < library->GetTypeInfoCount(); ++i) {
    ComPtr<ITypeInfo> info;
    library->GetTypeInfo(i, info.Put());
    TYPEATTR* attr = nullptr;
    if (info) info->GetTypeAttr(&attr);
    BSTR type_name = nullptr;
    library->GetDocumentation(static_cast<INT>(i), &type_name, nullptr, nullptr, nullptr);
    char what[128];
    std::snprintf(what, sizeof(what), "type %u %s: kind %d flags 0x%X", i,
                  type_name ? Narrow(type_name).c_str() : "?", attr ? attr->typekind : -1,
                  attr ? attr->wTypeFlags : 0);
    Check(attr && attr->guid == *expected[i].guid && attr->typekind == expected[i].kind &&
              attr->wTypeFlags == expected[i].flags && type_name &&
              std::wstring(type_name) == expected[i].name,
          what);
    ::SysFreeString(type_name);
    if (attr) info->ReleaseTypeAttr(attr);
  }

  // _LongTimer members through its vtable part, in order.
  ComPtr<ITypeInfo> dispatch_info;
  ComPtr<ITypeInfo> vtable_info;
  HREFTYPE vtable_ref = 0;
  library->GetTypeInfoOfGuid(IID__LongTimer, dispatch_info.Put());
  if (dispatch_info &&
      SUCCEEDED(dispatch_info->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable_ref))) {
    dispatch_info->GetRefTypeInfo(vtable_ref, vtable_info.Put());
  }
  struct Member {
    MEMBERID id;
    INVOKEKIND kind;
    VARTYPE type;
  };
  const Member members[] = {{kInterval, INVOKE_PROPERTYGET, VT_R4},
                            {kInterval, INVOKE_PROPERTYPUT, VT_R4},
                            {kEnabled, INVOKE_PROPERTYGET, VT_BOOL},
                            {kEnabled, INVOKE_PROPERTYPUT, VT_BOOL}};
  TYPEATTR* vtable_attr = nullptr;
  if (vtable_info) vtable_info->GetTypeAttr(&vtable_attr);
  Check(vtable_attr && vtable_attr->typekind == TKIND_INTERFACE && vtable_attr->cFuncs == 4,
        "_LongTimer has four members of its own");
  Check(vtable_attr && vtable_attr->wTypeFlags == 0x11D0,
        "_LongTimer (interface half) type flags 0x11D0, got 0x" + (vtable_attr ? [&] {
          char hex[8];
          std::snprintf(hex, sizeof(hex), "%X", vtable_attr->wTypeFlags);
          return std::string(hex);
        }() : std::string("?")));
  if (vtable_attr) vtable_info->ReleaseTypeAttr(vtable_attr);
  for (UINT i = 0; vtable_info && i < 4; ++i) {
    FUNCDESC* func = nullptr;
    vtable_info->GetFuncDesc(i, &func);
    bool ok = func && func->memid == members[i].id && func->invkind == members[i].kind &&
              func->cParams == 1;
    if (ok) {
      const ELEMDESC& param = func->lprgelemdescParam[0];
      const VARTYPE type = param.tdesc.vt == VT_PTR ? param.tdesc.lptdesc->vt : param.tdesc.vt;
      ok = type == members[i].type;
      if (members[i].kind == INVOKE_PROPERTYGET) {
        ok = ok && (param.paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
      }
    }
    Check(ok, "member " + std::to_string(i) + " of _LongTimer: DISPID, kind and type");
    if (func) vtable_info->ReleaseFuncDesc(func);
  }
  // The coclass: default _LongTimer, default source __LongTimer.
  TYPEATTR* class_attr = nullptr;
  coclass->GetTypeAttr(&class_attr);
  Check(class_attr && class_attr->cImplTypes == 2, "LongTimer implements two interfaces");
  if (class_attr) coclass->ReleaseTypeAttr(class_attr);
  const struct {
    const GUID* iid;
    INT flags;
  } impls[] = {{&IID__LongTimer, IMPLTYPEFLAG_FDEFAULT},
               {&DIID___LongTimer, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};
  for (UINT i = 0; i < 2; ++i) {
    INT flags = 0;
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> implemented;
    TYPEATTR* attr = nullptr;
    coclass->GetImplTypeFlags(i, &flags);
    if (SUCCEEDED(coclass->GetRefTypeOfImplType(i, &ref)) &&
        SUCCEEDED(coclass->GetRefTypeInfo(ref, implemented.Put()))) {
      implemented->GetTypeAttr(&attr);
    }
    Check(attr && attr->guid == *impls[i].iid && flags == impls[i].flags,
          "coclass interface " + std::to_string(i) + " and its flags");
    if (attr) implemented->ReleaseTypeAttr(attr);
  }

  // __LongTimer: OnTimer, DISPID 1, no parameters.
  ComPtr<ITypeInfo> events;
  library->GetTypeInfoOfGuid(DIID___LongTimer, events.Put());
  bool found_on_timer = false;
  TYPEATTR* events_attr = nullptr;
  if (events) events->GetTypeAttr(&events_attr);
  for (UINT i = 0; events_attr && i < events_attr->cFuncs; ++i) {
    FUNCDESC* func = nullptr;
    events->GetFuncDesc(i, &func);
    BSTR func_name = nullptr;
    if (func) events->GetDocumentation(func->memid, &func_name, nullptr, nullptr, nullptr);
    if (func && func_name && std::wstring(func_name) == L"OnTimer") {
      found_on_timer =
          func->memid == 1 && func->cParams == 0 && func->elemdescFunc.tdesc.vt == VT_VOID;
    }
    ::SysFreeString(func_name);
    if (func) events->ReleaseFuncDesc(func);
  }
  if (events_attr) events->ReleaseTypeAttr(events_attr);
  Check(found_on_timer, "__LongTimer.OnTimer has DISPID 1, no parameters, no result");
}

}  // namespace horolon_test
