#pragma once

#include "../private/std.h"
#include "../private/macros.h"
#include "../timestamp.h"
#include "../version.h"
#include "../universal-plugin-id.h"

static const CLAP_CONSTEXPR char CLAP_PRESET_DISCOVERY_FACTORY_ID[] =
   "clap.preset-discovery-factory/2";

// The id the same interface had as a draft; hosts of that time still ask for it.
static const CLAP_CONSTEXPR char CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT[] =
   "clap.preset-discovery-factory/draft-2";

#ifdef __cplusplus
extern "C" {
#endif

enum clap_preset_discovery_location_kind {
   // A file or folder; location is its path.
   CLAP_PRESET_DISCOVERY_LOCATION_FILE = 0,
   // Presets built into the plugin; location is null.
   CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN = 1,
};

enum clap_preset_discovery_flags {
   CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT = 1 << 0,
   CLAP_PRESET_DISCOVERY_IS_USER_CONTENT = 1 << 1,
   CLAP_PRESET_DISCOVERY_IS_DEMO_CONTENT = 1 << 2,
   CLAP_PRESET_DISCOVERY_IS_FAVORITE = 1 << 3,
};

// Receives the metadata of the presets of one location. Not thread-safe.
typedef struct clap_preset_discovery_metadata_receiver {
   void *receiver_data;

   void(CLAP_ABI *on_error)(const struct clap_preset_discovery_metadata_receiver *receiver,
                            int32_t                                               os_error,
                            const char                                           *error_message);

   // Starts a preset; the calls below describe it. Returns false when the provider must stop.
   bool(CLAP_ABI *begin_preset)(const struct clap_preset_discovery_metadata_receiver *receiver,
                                const char                                           *name,
                                const char                                           *load_key);

   void(CLAP_ABI *add_plugin_id)(const struct clap_preset_discovery_metadata_receiver *receiver,
                                 const clap_universal_plugin_id_t                     *plugin_id);

   void(CLAP_ABI *set_soundpack_id)(const struct clap_preset_discovery_metadata_receiver *receiver,
                                    const char *soundpack_id);

   void(CLAP_ABI *set_flags)(const struct clap_preset_discovery_metadata_receiver *receiver,
                             uint32_t                                              flags);

   void(CLAP_ABI *add_creator)(const struct clap_preset_discovery_metadata_receiver *receiver,
                               const char                                           *creator);

   void(CLAP_ABI *set_description)(const struct clap_preset_discovery_metadata_receiver *receiver,
                                   const char *description);

   void(CLAP_ABI *set_timestamps)(const struct clap_preset_discovery_metadata_receiver *receiver,
                                  clap_timestamp creation_time,
                                  clap_timestamp modification_time);

   void(CLAP_ABI *add_feature)(const struct clap_preset_discovery_metadata_receiver *receiver,
                               const char                                           *feature);

   void(CLAP_ABI *add_extra_info)(const struct clap_preset_discovery_metadata_receiver *receiver,
                                  const char                                           *key,
                                  const char                                           *value);
} clap_preset_discovery_metadata_receiver_t;

typedef struct clap_preset_discovery_filetype {
   const char *name;
   const char *description; // may be null
   const char *file_extension; // without the dot; empty or null matches every file
} clap_preset_discovery_filetype_t;

typedef struct clap_preset_discovery_location {
   uint32_t    flags; // see clap_preset_discovery_flags
   const char *name;
   uint32_t    kind; // see clap_preset_discovery_location_kind
   const char *location;
} clap_preset_discovery_location_t;

typedef struct clap_preset_discovery_soundpack {
   uint32_t         flags;
   const char      *id;
   const char      *name;
   const char      *description;
   const char      *homepage_url;
   const char      *vendor;
   const char      *image_path;
   clap_timestamp release_timestamp;
} clap_preset_discovery_soundpack_t;

typedef struct clap_preset_discovery_provider_descriptor {
   clap_version_t clap_version;
   const char    *id;
   const char    *name;
   const char    *vendor;
} clap_preset_discovery_provider_descriptor_t;

typedef struct clap_preset_discovery_provider {
   const clap_preset_discovery_provider_descriptor_t *desc;

   void *provider_data;

   // Declares the provider's file types, locations and sound packs to the indexer.
   bool(CLAP_ABI *init)(const struct clap_preset_discovery_provider *provider);

   void(CLAP_ABI *destroy)(const struct clap_preset_discovery_provider *provider);

   bool(CLAP_ABI *get_metadata)(const struct clap_preset_discovery_provider     *provider,
                                uint32_t                                         location_kind,
                                const char                                      *location,
                                const clap_preset_discovery_metadata_receiver_t *metadata_receiver);

   const void *(CLAP_ABI *get_extension)(const struct clap_preset_discovery_provider *provider,
                                         const char                                  *extension_id);
} clap_preset_discovery_provider_t;

typedef struct clap_preset_discovery_indexer {
   clap_version_t clap_version;
   const char    *name;
   const char    *vendor;
   const char    *url;
   const char    *version;

   void *indexer_data;

   bool(CLAP_ABI *declare_filetype)(const struct clap_preset_discovery_indexer *indexer,
                                    const clap_preset_discovery_filetype_t     *filetype);

   bool(CLAP_ABI *declare_location)(const struct clap_preset_discovery_indexer *indexer,
                                    const clap_preset_discovery_location_t     *location);

   bool(CLAP_ABI *declare_soundpack)(const struct clap_preset_discovery_indexer *indexer,
                                     const clap_preset_discovery_soundpack_t    *soundpack);

   const void *(CLAP_ABI *get_extension)(const struct clap_preset_discovery_indexer *indexer,
                                         const char                                 *extension_id);
} clap_preset_discovery_indexer_t;

// [thread-safe]
typedef struct clap_preset_discovery_factory {
   uint32_t(CLAP_ABI *count)(const struct clap_preset_discovery_factory *factory);

   const clap_preset_discovery_provider_descriptor_t *(CLAP_ABI *get_descriptor)(
      const struct clap_preset_discovery_factory *factory, uint32_t index);

   // The provider is freed with provider->destroy(provider).
   const clap_preset_discovery_provider_t *(CLAP_ABI *create)(
      const struct clap_preset_discovery_factory *factory,
      const clap_preset_discovery_indexer_t      *indexer,
      const char                                 *provider_id);
} clap_preset_discovery_factory_t;

#ifdef __cplusplus
}
#endif
