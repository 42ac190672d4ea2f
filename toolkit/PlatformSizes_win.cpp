// The program hands these records to the system with their sizes, and the 32-bit product relies on the
// layouts it was designed for. The product build checks them here, all in one place; the 64-bit test build
// has larger layouts and uses sizeof like the product does.
#include <windows.h>

#include <dbt.h>
#include <setupapi.h>
#include <shellapi.h>

#if !defined(_WIN64)
static_assert(sizeof(SECURITY_ATTRIBUTES) == 12, "close-event and HID-open security attributes");
static_assert(sizeof(NOTIFYICONDATAW) == 956, "notification icon record, version-3 layout");
static_assert(sizeof(RAWINPUTDEVICE) == 12, "raw-input registration entry");
static_assert(sizeof(RAWINPUTHEADER) == 16, "raw-input record header");
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 28, "HID interface enumeration record");
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == 6, "fixed part of the interface detail");
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32, "device-interface notification filter");
static_assert(sizeof(GUITHREADINFO) == 48, "focus query of the tilt scrolling");
static_assert(sizeof(OSVERSIONINFOEXW) == 284, "version query of the catalogue");
#endif
