// The vendor library NetClient is not ours to ship and may be missing (the orvel family then
// has no plug-in). Mirage binds it at the first call (delay-loaded imports) from its own
// folder, so that the filter loads and serves quil cameras without it; the orvel channel asks
// first, since a call into a missing library would fault the host program.
#pragma once

namespace mirage {

// True when NetClient.dll is loaded from this module's folder (tried once).
bool NetClientAvailable();

}  // namespace mirage
