/*
 * Driver plug-in stand-in, built three times as QLX480.dll (rendering plug-in), QLUI480.dll
 * (user-interface plug-in) and QLUNI480.dll (second plug-in) of the test package.
 * A plug-in is found through its class factory; this one offers no classes, so a host
 * that asks for one gets CLASS_E_CLASSNOTAVAILABLE and carries on without it.
 */
#include <windows.h>
#include <objbase.h>

__declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID *ppv)
{
    (void)rclsid;
    (void)riid;
    if (ppv == NULL)
        return E_POINTER;
    *ppv = NULL;
    return CLASS_E_CLASSNOTAVAILABLE;
}

__declspec(dllexport) HRESULT WINAPI DllCanUnloadNow(void)
{
    return S_OK; /* no objects are ever handed out */
}
