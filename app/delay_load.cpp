// The delay-load helper of the MinGW build. winmm.dll is linked for delay
// loading so that start-up does not pay for mapping it; it is loaded at the
// first PlaySoundA. The toolchain's own helper would add 2 KiB of hooks and
// error reporting, and ends the process if the DLL is missing.
#include <windows.h>

#include <delayimp.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {
// PlaySoundA is the only function linked this way: without winmm the alarm is silent.
BOOL WINAPI NoSound(LPCSTR, HMODULE, DWORD) {
    return FALSE;
}
}  // namespace

// Runs once per import slot, which then holds the function itself; with one
// slot there is no module handle worth keeping for later calls.
extern "C" FARPROC WINAPI __delayLoadHelper2(PCImgDelayDescr descriptor, FARPROC* slot) {
    auto* const base = reinterpret_cast<BYTE*>(&__ImageBase);
    const HMODULE module = LoadLibraryA(reinterpret_cast<LPCSTR>(base + descriptor->rvaDLLName));
    // The name table runs parallel to the address table the slot is in; the
    // import library imports by name, never by ordinal.
    const auto* const names = reinterpret_cast<PCImgThunkData>(base + descriptor->rvaINT);
    const IMAGE_THUNK_DATA& name = names[slot - reinterpret_cast<FARPROC*>(base + descriptor->rvaIAT)];
    FARPROC function = nullptr;
    if (module)
        function = GetProcAddress(
            module, reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name.u1.AddressOfData)->Name);
    if (!function) function = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(NoSound));
    *slot = function;
    return function;
}
