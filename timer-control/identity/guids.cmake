# The LongTimer control's four GUIDs, fixed for good: saved forms and registered hosts refer to
# the control by them. Every file that names them (the type library's IDL, registration-free
# activation manifests, the tests) is generated from these variables.
set(HOROLON_LIBID 65D2C787-5C87-4D6F-882A-53FE52594318)
set(HOROLON_CLSID BDF6F34E-4D4F-4A28-9550-9198454427CA)
set(HOROLON_IID 43DE366C-C6CF-4470-B860-724D8C904287)
set(HOROLON_DIID 4F0B06DF-E9D2-48AB-AFF4-F1A99C88D37B)
