-- Builds a session the DAW stage renders, in ardour-lua with the dummy
-- backend: a MIDI track per part of the plan, each with its own
-- fennrow.vst3 as the instrument, and the session range the plan gives.
--
-- Usage: ardour7-lua make_session.lua SESSION_DIR SESSION_NAME PLAN
--
-- The plan (written by daw_check.py plan) holds the timeline (120 beats per
-- minute, the tempo of a new session) and the parts; each part names its
-- notes, its sound and how that sound gets there:
--   params   parameter values set through the host's parameter API
--   program  a factory sound chosen in the host's preset (program) menu
--   preset   values set, saved as a host preset, the instance reset to Init,
--            then the saved preset loaded again
--   automate points on one parameter's automation lane, played back
local dir, name, plan = arg[1], arg[2], arg[3]
assert(dir and name and plan, "usage: make_session.lua SESSION_DIR SESSION_NAME PLAN")

local fennrow_uid = "5F44CEB3D4D4840E6E9578BF7D3A73A2"

-- One "key value..." line per fact.
local parts = {}
local rate, samples_per_beat, range_start, range_end
for line in io.lines(plan) do
  local words = {}
  for w in line:gmatch("%S+") do words[#words + 1] = w end
  if words[1] == "rate" then
    rate = tonumber(words[2])
  elseif words[1] == "samples_per_beat" then
    samples_per_beat = tonumber(words[2])
  elseif words[1] == "range" then
    -- range START_BEAT END_BEAT: what ardour7-export renders
    range_start, range_end = tonumber(words[2]), tonumber(words[3])
  elseif words[1] == "part" then
    parts[#parts + 1] = { name = words[2], how = words[3], notes = {}, params = {}, points = {} }
  elseif words[1] == "note" then
    -- note PITCH START_BEAT LENGTH_BEATS
    table.insert(parts[#parts].notes, { tonumber(words[2]), tonumber(words[3]), tonumber(words[4]) })
  elseif words[1] == "param" then
    -- param INDEX VALUE
    table.insert(parts[#parts].params, { tonumber(words[2]), tonumber(words[3]) })
  elseif words[1] == "program" then
    parts[#parts].program = table.concat(words, " ", 2)
  elseif words[1] == "point" then
    -- point INDEX BEAT VALUE: the lane reaches VALUE at BEAT, linearly
    table.insert(parts[#parts].points, { tonumber(words[2]), tonumber(words[3]), tonumber(words[4]) })
  end
end
assert(rate and samples_per_beat and range_end and #parts > 0, "the plan is incomplete")

local function say(...)
  print("make_session:", ...)
  io.stdout:flush()
end

assert(not AudioEngine:set_backend("None (Dummy)", "", ""):isnil(), "no dummy backend")
local session = create_session(dir, name, rate)
assert(session, "could not create the session")

local info = ARDOUR.LuaAPI.new_plugin_info(fennrow_uid, ARDOUR.PluginType.VST3)
assert(not info:isnil(), "Ardour does not know fennrow.vst3 (was it scanned?)")

local function beat_samples(beat) return math.floor(beat * samples_per_beat + 0.5) end

local function set_param(proc, index, value)
  assert(ARDOUR.LuaAPI.set_processor_param(proc, index, value), "could not set parameter " .. index)
end

-- A parameter set through the host reaches the plugin's processor in the next
-- process cycles, and only then its saved state: wait for them before a
-- preset or the session is saved.
local function settle()
  assert(ARDOUR.LuaAPI.wait_for_process_callback(8, 10000), "the engine does not process")
end

local function load_preset(plugin, label)
  local preset = plugin:preset_by_label(label)
  assert(preset and preset.valid, "Ardour lists no preset named " .. label)
  say("loading preset", label)
  assert(plugin:load_preset(preset), "Ardour could not load preset " .. label)
  say("loaded preset", label)
end

for _, part in ipairs(parts) do
  -- Strict I/O off: with it on, new_midi_track can abort with "Port already
  -- exists" on this backend.
  local tracks = Session:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1),
    ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2), false, info, nil, nil, 1, part.name,
    ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true, false)
  assert(tracks:size() == 1, "could not add track " .. part.name)
  local track = tracks:front()
  -- The outputs to the master bus now: the auto-connection runs in its own
  -- thread and may not have run when the session is saved.
  local master = Session:master_out():input()
  for c = 0, 1 do
    local port = track:output():audio(c)
    port:connect(master:audio(c):name())
    assert(port:connected_to(master:audio(c):name()), "could not connect " .. port:name())
  end
  local proc = track:the_instrument()
  assert(not proc:isnil(), "track " .. part.name .. " has no instrument")
  local plugin = proc:to_insert():plugin(0)

  -- A MIDI region needs a source; bouncing a short empty range of the track,
  -- before its instrument (nil_proc), makes an empty MIDI region.
  local region = track:bounce_range(0, samples_per_beat, ARDOUR.InterThreadInfo(), ARDOUR.LuaAPI.nil_proc(), false, part.name)
  assert(not region:isnil() and not region:to_midiregion():isnil(), "could not make a MIDI region for " .. part.name)
  region:set_length(Temporal.timecnt_t(beat_samples(range_end)))
  track:playlist():add_region(region, Temporal.timepos_t(0), 1, false)

  local model = region:to_midiregion():midi_source(0):model()
  local command = model:new_note_diff_command("notes")
  for _, n in ipairs(part.notes) do
    command:add(ARDOUR.LuaAPI.new_noteptr(0, Temporal.Beats.from_double(n[2]), Temporal.Beats.from_double(n[3]), n[1], 100))
  end
  model:apply_command(Session, command)

  if part.how == "params" then
    for _, p in ipairs(part.params) do set_param(proc, p[1], p[2]) end
  elseif part.how == "program" then
    load_preset(plugin, part.program)
  elseif part.how == "preset" then
    for _, p in ipairs(part.params) do set_param(proc, p[1], p[2]) end
    settle()
    local label = "DAW check " .. part.name
    local saved = plugin:save_preset(label)
    assert(saved and saved.valid, "Ardour could not save preset " .. label)
    say("saved preset", label)
    load_preset(plugin, "Init")
    settle()
    load_preset(plugin, label)
  elseif part.how == "automate" then
    for _, p in ipairs(part.points) do
      local list, control = ARDOUR.LuaAPI.plugin_automation(proc, p[1])
      assert(not list:isnil(), "no automation lane for parameter " .. p[1])
      control:add(Temporal.timepos_t(beat_samples(p[2])), p[3], false, false)
    end
    for _, p in ipairs(part.points) do
      proc:to_automatable():automation_control(
        Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, p[1]), false):set_automation_state(ARDOUR.AutoState.Play)
    end
  end
  say("track", part.name, part.how, #part.notes .. " notes")
end

-- ardour7-export renders the session range, which a session made in Lua
-- lacks and Lua cannot make; a range marker over the song is made here and
-- turned into the session range in the saved file (daw_check.py
-- session-range).
Session:locations():add_range(Temporal.timepos_t(beat_samples(range_start)), Temporal.timepos_t(beat_samples(range_end)))

settle()
Session:save_state("", false, false, false, false, false)
say("saved", dir, name)
close_session()
