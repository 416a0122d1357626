#ifndef CLICKORA_PLATFORM_CONTROL_ABI_H_
#define CLICKORA_PLATFORM_CONTROL_ABI_H_

/* The C binary interface between the Linux form runtime and a control library (a shared object
 * in the program folder). The runtime opens the library with dlopen and calls its one export,
 * clickora_create_control, for each embedded control of a window; everything else goes through
 * the function tables below. No C++ type and no exception crosses this interface: a library and
 * a host built by different compilers, or with different standard libraries, still fit. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define CLICKORA_CONTROL_ABI_VERSION 1u
#define CLICKORA_CREATE_CONTROL_SYMBOL "clickora_create_control"

/* Results of the library's calls. */
typedef enum clickora_status {
  CLICKORA_OK = 0,
  CLICKORA_UNKNOWN_CLASS = 1,  /* the library provides no class of that name */
  CLICKORA_UNKNOWN_DISPID = 2, /* the control has no property with that dispatch id */
  CLICKORA_TYPE_MISMATCH = 3,  /* the value's type does not fit the property */
  CLICKORA_FAILED = 4,         /* the call failed inside the control */
  CLICKORA_OUT_OF_MEMORY = 5,
  CLICKORA_ABI_MISMATCH = 6, /* the host speaks another version of this interface */
  CLICKORA_PROPERTY_BAG_FAILED = 7
} clickora_status;

/* Variant types, numbered as automation numbers them. */
enum { CLICKORA_VT_R4 = 4, CLICKORA_VT_BOOL = 11 };

typedef struct clickora_value {
  int32_t type;    /* CLICKORA_VT_R4 or CLICKORA_VT_BOOL */
  float r4;        /* CLICKORA_VT_R4 */
  int16_t boolean; /* CLICKORA_VT_BOOL: true is -1, false is 0; any other value reads as true */
} clickora_value;

/* One saved property as the host's window design keeps it: the name in whatever letter case the
 * design stores it, the value as text. UTF-8, zero-terminated. */
typedef struct clickora_saved_property {
  const char* name;
  const char* value;
} clickora_saved_property;

/* A timer of the host's runtime: ticks arrive on the UI thread through its event loop. */
typedef struct clickora_host_timer clickora_host_timer;

/* What the host offers one control. The table and context must stay valid until the control is
 * destroyed. Every function is called on the UI thread and never unwinds into the library. */
typedef struct clickora_control_host {
  uint32_t abi_version; /* CLICKORA_CONTROL_ABI_VERSION */
  void* context;
  /* A new, disabled timer with a period of 100 ms whose ticks call on_tick(tick_context). The
   * timer may be changed or destroyed from inside on_tick. Null when the host has none left. */
  clickora_host_timer* (*create_timer)(void* context, void (*on_tick)(void* tick_context),
                                       void* tick_context);
  void (*destroy_timer)(void* context, clickora_host_timer* timer);
  void (*set_timer_interval)(void* context, clickora_host_timer* timer, int32_t milliseconds);
  int32_t (*timer_interval)(void* context, const clickora_host_timer* timer);
  void (*set_timer_enabled)(void* context, clickora_host_timer* timer, int enabled);
  int (*timer_enabled)(void* context, const clickora_host_timer* timer);
  /* The system's millisecond counter (milliseconds since the system started, wrapping at 2^32).
   */
  uint32_t (*now_ms)(void* context);
  /* Raises one of the control's events into the host's window, synchronously: the host binds it
   * by the control's name and the event's name ("OnTimer"). */
  void (*raise_event)(void* context, int32_t dispid, const char* name);
} clickora_control_host;

typedef struct clickora_control clickora_control;

typedef struct clickora_control_vtable {
  int32_t (*put_property)(clickora_control* control, int32_t dispid, const clickora_value* value);
  /* Loads the control from its saved properties; a property the array lacks takes its default.
   */
  int32_t (*load_properties)(clickora_control* control, const clickora_saved_property* properties,
                             size_t count);
  void (*destroy)(clickora_control* control);
} clickora_control_vtable;

struct clickora_control {
  const clickora_control_vtable* vtable;
};

/* The one export of a control library: creates a control of the class named class_name (its
 * ProgID) for the host. On CLICKORA_OK *control holds the new control; otherwise it is null. */
typedef int32_t (*clickora_create_control_fn)(const char* class_name,
                                              const clickora_control_host* host,
                                              clickora_control** control);

#ifdef __cplusplus
}
#endif

#endif /* CLICKORA_PLATFORM_CONTROL_ABI_H_ */
