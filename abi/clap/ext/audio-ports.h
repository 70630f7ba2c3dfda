#pragma once

#include "../plugin.h"
#include "../string-sizes.h"

static CLAP_CONSTEXPR const char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
static CLAP_CONSTEXPR const char CLAP_PORT_MONO[] = "mono";
static CLAP_CONSTEXPR const char CLAP_PORT_STEREO[] = "stereo";

#ifdef __cplusplus
extern "C" {
#endif

enum {
   CLAP_AUDIO_PORT_IS_MAIN = 1 << 0,
   CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1 << 1,
   CLAP_AUDIO_PORT_PREFERS_64BITS = 1 << 2,
   CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1 << 3,
};

typedef struct clap_audio_port_info {
   clap_id id;
   char    name[CLAP_NAME_SIZE];

   uint32_t flags;
   uint32_t channel_count;

   // CLAP_PORT_MONO, CLAP_PORT_STEREO, ... or null when unspecified.
   const char *port_type;

   // The port this one may share its buffer with, or CLAP_INVALID_ID.
   clap_id in_place_pair;
} clap_audio_port_info_t;

typedef struct clap_plugin_audio_ports {
   // [main-thread]
   uint32_t(CLAP_ABI *count)(const clap_plugin_t *plugin, bool is_input);

   // [main-thread]
   bool(CLAP_ABI *get)(const clap_plugin_t    *plugin,
                       uint32_t                index,
                       bool                    is_input,
                       clap_audio_port_info_t *info);
} clap_plugin_audio_ports_t;

#ifdef __cplusplus
}
#endif
