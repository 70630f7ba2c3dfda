#pragma once

#include "version.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct clap_host {
   clap_version_t clap_version;

   void *host_data; // reserved for the host

   const char *name;
   const char *vendor;
   const char *url;
   const char *version;

   // Returns the host's extension of that id, or null. [thread-safe]
   const void *(CLAP_ABI *get_extension)(const struct clap_host *host, const char *extension_id);

   // Asks the host to deactivate and reactivate the plugin. [thread-safe]
   void(CLAP_ABI *request_restart)(const struct clap_host *host);

   // Asks the host to activate and start processing. [thread-safe]
   void(CLAP_ABI *request_process)(const struct clap_host *host);

   // Asks the host to call on_main_thread on the main thread. [thread-safe]
   void(CLAP_ABI *request_callback)(const struct clap_host *host);
} clap_host_t;

#ifdef __cplusplus
}
#endif
