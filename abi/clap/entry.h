#pragma once

#include "version.h"
#include "private/macros.h"

#ifdef __cplusplus
extern "C" {
#endif

// The one symbol a plugin library exports. Every function is thread-safe.
typedef struct clap_plugin_entry {
   clap_version_t clap_version;

   bool(CLAP_ABI *init)(const char *plugin_path);

   void(CLAP_ABI *deinit)(void);

   // Null when the library does not provide that factory; the pointer is not freed by the caller.
   const void *(CLAP_ABI *get_factory)(const char *factory_id);
} clap_plugin_entry_t;

CLAP_EXPORT extern const clap_plugin_entry_t clap_entry;

#ifdef __cplusplus
}
#endif
