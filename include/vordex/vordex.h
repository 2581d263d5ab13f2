// The exported functions of the VORDEX forecasting library, and its message handler.
//
// Each export takes the host's option vector (a one-dimensional SAFEARRAY of VT_I2) and data
// vector (a one-dimensional SAFEARRAY of VT_R8: the lead value, then the observations), both by
// reference and with any lower bound, and returns a VARIANT: on success VT_ARRAY | VT_R8 (an array
// of doubles with lower bound 1, owned by the caller from then on); on failure a VT_I2 status code
// or a VT_BSTR message (owned by the caller); VT_R8 1.0 when the option array is empty. The host's
// arrays are only read, never changed or destroyed.
#ifndef VORDEX_VORDEX_H
#define VORDEX_VORDEX_H

#include "vordex/automation.h"

#if defined(_WIN32)
#if defined(VORDEX_BUILDING)
// VORDEX.dll names its exports and their ordinals in a module-definition file (windows/VORDEX.def);
// an export attribute here would add a further name (Arimadll@8) for each function.
#define VORDEX_API __stdcall
#else
#define VORDEX_API __declspec(dllimport) __stdcall
#endif
#define VORDEX_HANDLER_API
#else
#define VORDEX_API __attribute__((visibility("default")))
#define VORDEX_HANDLER_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Seasonal ARIMA by exact maximum likelihood.
VARIANT VORDEX_API Arimadll(SAFEARRAY** options, SAFEARRAY** data);
// Exponential smoothing of the Pegels family with simulated prediction limits.
VARIANT VORDEX_API Pegelsdll(SAFEARRAY** options, SAFEARRAY** data);
// Seasonal ARMA with a constant for a transformed and differenced series.
VARIANT VORDEX_API Armaxdll(SAFEARRAY** options, SAFEARRAY** data);

// Message styles handed to a handler: a warning (exclamation icon) and a stop with a beep.
#define VORDEX_STYLE_WARNING 0x30u
#define VORDEX_STYLE_STOP 0x10010u

// Receives every message box of the calling thread: its title, text and style.
typedef void (*vordex_message_handler)(void* context, const char* title, const char* text,
                                       unsigned style);

// Installs a handler for the calling thread and returns the previous one (through
// previous_context, when it is not null, the previous context). A null handler restores the
// default: on Windows the message box, elsewhere one line "title: text" on stderr.
VORDEX_HANDLER_API vordex_message_handler vordex_set_message_handler(vordex_message_handler handler,
                                                                     void* context,
                                                                     void** previous_context);

#ifdef __cplusplus
}
#endif

#endif  // VORDEX_VORDEX_H
