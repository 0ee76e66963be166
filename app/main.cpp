#include "app/dialog.h"
#include "res/resource.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>

namespace {

// The shell's folder browser reaches the namespace's folders through COM, and asks its caller
// for a single-threaded apartment on the thread that shows it.
class ComApartment {
  public:
    ComApartment()
        : initialised_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (initialised_)
            CoUninitialize();
    }
    ComApartment(const ComApartment &) = delete;
    ComApartment &operator=(const ComApartment &) = delete;

  private:
    bool initialised_;
};

} // namespace

// An exception that nothing catches ends the program. The runtime's own handler would first write
// the exception's name to a console, which a windowed program does not have, and to do so it
// brings in the C++ name demangler and printf's number formatting: 78 KB of the download.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    ComApartment com;
    return static_cast<int>(
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc, 0));
}
