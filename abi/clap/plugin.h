#pragma once

#include "private/macros.h"
#include "host.h"
#include "process.h"
#include "plugin-features.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct clap_plugin_descriptor {
   clap_version_t clap_version;

   // id and name are mandatory; the other strings may be empty.
   const char *id;
   const char *name;
   const char *vendor;
   const char *url;
   const char *manual_url;
   const char *support_url;
   const char *version;
   const char *description;

   // Null-terminated list of feature names, see plugin-features.h.
   const char *const *features;
} clap_plugin_descriptor_t;

typedef struct clap_plugin {
   const clap_plugin_descriptor_t *desc;

   void *plugin_data; // reserved for the plugin

   // [main-thread]
   bool(CLAP_ABI *init)(const struct clap_plugin *plugin);

   // [main-thread & !active]
   void(CLAP_ABI *destroy)(const struct clap_plugin *plugin);

   // [main-thread & !active]
   bool(CLAP_ABI *activate)(const struct clap_plugin *plugin,
                            double                    sample_rate,
                            uint32_t                  min_frames_count,
                            uint32_t                  max_frames_count);
   // [main-thread & active]
   void(CLAP_ABI *deactivate)(const struct clap_plugin *plugin);

   // [audio-thread & active & !processing]
   bool(CLAP_ABI *start_processing)(const struct clap_plugin *plugin);

   // [audio-thread & active & processing]
   void(CLAP_ABI *stop_processing)(const struct clap_plugin *plugin);

   // Clears all buffers and voices. [audio-thread & active]
   void(CLAP_ABI *reset)(const struct clap_plugin *plugin);

   // [audio-thread & active & processing]
   clap_process_status(CLAP_ABI *process)(const struct clap_plugin *plugin,
                                          const clap_process_t     *process);

   // [thread-safe]
   const void *(CLAP_ABI *get_extension)(const struct clap_plugin *plugin, const char *id);

   // Answers host->request_callback(). [main-thread]
   void(CLAP_ABI *on_main_thread)(const struct clap_plugin *plugin);
} clap_plugin_t;

#ifdef __cplusplus
}
#endif
