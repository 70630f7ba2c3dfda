// fennrow's engine for a web page: the plugin, linked into one WebAssembly
// module with this small CLAP host, which a page (or an AudioWorklet) drives
// through plain C functions. The host reaches the plugin only through
// clap_entry and the CLAP records, as a DAW does, so the module makes the
// very samples the native plugin makes for the same events and block sizes.
//
// Loading (the web build writes build/web/fennrow-web.js, the wasm inside it,
// made for web pages, workers, AudioWorklets and node):
//
//   node:      const createFennrow = require("./fennrow-web.js");
//   worklet:   await context.audioWorklet.addModule("fennrow-web.js");
//              await context.audioWorklet.addModule("my-processor.js");
//              // in my-processor.js: globalThis.createFennrow
//   page:      <script src="fennrow-web.js"></script>, then createFennrow
//
//   const fennrow = await createFennrow();          // one module, any number of engines
//   const engine = fennrow._fennrow_web_create(sampleRate, 128);
//   fennrow._fennrow_web_note_on(engine, 36, 0.8, 0);  // key, velocity 0..1, frame in the next block
//   fennrow._fennrow_web_process(engine, 128);         // 1 when the block was made
//   const left = new Float32Array(fennrow.HEAPF32.buffer, fennrow._fennrow_web_left(engine), 128);
//   const right = new Float32Array(fennrow.HEAPF32.buffer, fennrow._fennrow_web_right(engine), 128);
//
// The memory may grow (a large state), which replaces HEAPF32.buffer: take
// the views again after any call that may allocate, or per block. Texts go in
// and out as UTF-8: fennrow.UTF8ToString(pointer) reads one; to hand one in,
// fennrow._malloc(fennrow.lengthBytesUTF8(text) + 1), fennrow.stringToUTF8,
// then fennrow._free. A returned text lives until the next call on the same
// engine.
//
// Everything runs on one thread (the worklet's). Events take effect in the
// next fennrow_web_process call, at their frame within it; parameter values,
// a preset or a state loaded between blocks reach the very next block.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct FennrowWeb FennrowWeb;

// An engine at this sample rate (1 kHz to 768 kHz), processing blocks of at
// most maxFrames (1 to 16384) frames, with the plugin's default sound; null
// when the plugin refuses to start (fennrow_web_error(null) says why).
FennrowWeb* fennrow_web_create(double sampleRate, uint32_t maxFrames);
void fennrow_web_destroy(FennrowWeb* engine);

// Why the last call that failed on this engine (or, with null, the last
// failed create) failed; "" when none did.
const char* fennrow_web_error(const FennrowWeb* engine);

// Notes of the next block: key 0..127, velocity 0..1, frame 0..maxFrames-1
// within the block (later frames are played at the block's last frame).
// 0 when the queue of the next block is full (1024 events).
int fennrow_web_note_on(FennrowWeb* engine, int key, double velocity, uint32_t frame);
int fennrow_web_note_off(FennrowWeb* engine, int key, double velocity, uint32_t frame);

// Parameters: the plugin's list, in its order.
uint32_t fennrow_web_param_count(const FennrowWeb* engine);
uint32_t fennrow_web_param_id(const FennrowWeb* engine, uint32_t index); // 0xffffffff past the end
const char* fennrow_web_param_name(FennrowWeb* engine, uint32_t id);
double fennrow_web_param_min(const FennrowWeb* engine, uint32_t id);
double fennrow_web_param_max(const FennrowWeb* engine, uint32_t id);
double fennrow_web_param_default(const FennrowWeb* engine, uint32_t id);
int fennrow_web_param_stepped(const FennrowWeb* engine, uint32_t id);
// The value the plugin holds now (after the last block).
double fennrow_web_param_value(const FennrowWeb* engine, uint32_t id);
// The plugin's own text for a value ("0.3 s"), and a text read back to a
// value (1 with *value set, or 0).
const char* fennrow_web_param_text(FennrowWeb* engine, uint32_t id, double value);
int fennrow_web_param_from_text(FennrowWeb* engine, uint32_t id, const char* text, double* value);
// A new value at a frame of the next block, as a host's automation. 0 for
// an unknown id or a full queue.
int fennrow_web_set_param(FennrowWeb* engine, uint32_t id, double value, uint32_t frame);

// The factory sounds, in the plugin's order.
uint32_t fennrow_web_preset_count(const FennrowWeb* engine);
const char* fennrow_web_preset_name(const FennrowWeb* engine, uint32_t index); // "" past the end
int fennrow_web_load_preset(FennrowWeb* engine, uint32_t index);
int fennrow_web_load_preset_named(FennrowWeb* engine, const char* name);

// The state as the plugin saves it (its instance document's text), and a
// state text (length bytes, need not end in a zero) loaded back; 0 with the
// plugin's reason in fennrow_web_error when refused.
const char* fennrow_web_save_state(FennrowWeb* engine);
uint32_t fennrow_web_saved_state_length(const FennrowWeb* engine); // bytes of the text just saved
int fennrow_web_load_state(FennrowWeb* engine, const char* text, uint32_t length);

// The transport the plugin sees (tempo-synced modulation). The tempo map is
// a list of count (beat, bpm) pairs, as in a document's audition clip; the
// song position moves on by each processed block while playing, as in
// fennrow-render, and stands still while stopped.
int fennrow_web_set_tempo_map(FennrowWeb* engine, const double* beatsAndBpms, uint32_t count);
void fennrow_web_set_meter(FennrowWeb* engine, int numerator, int denominator);
void fennrow_web_set_playing(FennrowWeb* engine, int playing);
void fennrow_web_set_song_frame(FennrowWeb* engine, double frame); // the position of the next block

// Makes the next block of `frames` (1..maxFrames) frames into the engine's
// two output buffers; 0 when the plugin failed (the buffers then hold
// silence). Non-finite samples never leave: they are written as 0.
int fennrow_web_process(FennrowWeb* engine, uint32_t frames);
float* fennrow_web_left(FennrowWeb* engine);
float* fennrow_web_right(FennrowWeb* engine);

#ifdef __cplusplus
}
#endif
