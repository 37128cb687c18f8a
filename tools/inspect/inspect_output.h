#pragma once
// lumo-inspect's commands on the sound output: "devices" and "tone".

#include <string>
#include <vector>

// lumo-inspect devices: every output module and its devices with their GUIDs.
int inspect_devices(const std::vector<std::string>& args);

// lumo-inspect tone [options]: plays a sine through an output, with volume, pause and
// flush events at given audible positions, and prints when each happened.
int inspect_tone(const std::vector<std::string>& args);

// lumo-inspect play FILE... [--out OUT.wav] [--volume DB]: the playback engine plays the
// files in order, to a WAV file with --out, otherwise to the configured output.
int inspect_play(const std::vector<std::string>& args);
