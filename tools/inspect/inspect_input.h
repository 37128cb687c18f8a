#pragma once
// lumo-inspect's commands on audio files: "info" and "decode".

#include <string>
#include <vector>

// lumo-inspect info FILE: the track information as JSON on stdout.
int inspect_info(const std::vector<std::string>& args);

// lumo-inspect decode FILE [--subsong N] [--seek SECONDS] (-o OUT.wav | --md5)
int inspect_decode(const std::vector<std::string>& args);

// A command-line path as a URL ("file://" + the path unless it already has a scheme).
std::string inspect_url(const std::string& path);
