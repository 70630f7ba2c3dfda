-- Opens a saved session in ardour-lua with the dummy backend, as a musician
-- reopens a project, and saves it again as another snapshot: every
-- fennrow.vst3 in it is made from the saved state and saves its state anew.
--
-- Usage: ardour7-lua resave_session.lua SESSION_DIR SESSION_NAME NEW_SNAPSHOT
local dir, name, snapshot = arg[1], arg[2], arg[3]
assert(dir and name and snapshot, "usage: resave_session.lua SESSION_DIR SESSION_NAME NEW_SNAPSHOT")
assert(not AudioEngine:set_backend("None (Dummy)", "", ""):isnil(), "no dummy backend")
assert(load_session(dir, name), "could not load " .. dir .. " " .. name)
for route in Session:get_routes():iter() do
  local track = route:to_track()
  if not track:isnil() then
    assert(not route:the_instrument():isnil(), "track " .. route:name() .. " lost its instrument")
    assert(route:the_instrument():to_insert():plugin(0):name() == "fennrow",
      "track " .. route:name() .. " plays " .. route:the_instrument():to_insert():plugin(0):name())
  end
end
Session:save_state(snapshot, false, false, false, false, false)
print("resave_session: saved", dir, snapshot)
close_session()
