#pragma once

#include "private/std.h"

#ifdef __cplusplus
extern "C" {
#endif

// One audio port's channels for one block, as 32-bit or 64-bit samples.
typedef struct clap_audio_buffer {
   float  **data32;
   double **data64;
   uint32_t channel_count;
   uint32_t latency;       // latency from or to the port's audio interface
   uint64_t constant_mask; // bit n set: channel n holds one constant value for the whole block
} clap_audio_buffer_t;

#ifdef __cplusplus
}
#endif
