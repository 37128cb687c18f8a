#pragma once
// lumo-inspect's commands on audio files: "info" and "decode".

#include <string>
#include <string_view>
#include <vector>

// lumo-inspect info FILE: the track information as JSON on stdout.
int inspect_info(const std::vector<std::string>& args);

// lumo-inspect decode FILE [--subsong N] [--seek SECONDS] (-o OUT.wav | --md5)
int inspect_decode(const std::vector<std::string>& args);

// lumo-inspect tags FILE: every tag field, the tag types and the pictures as JSON.
int inspect_tags(const std::vector<std::string>& args);
// lumo-inspect retag FILE [--set FIELD=VALUE]... [--clear FIELD]... [--picture KIND=IMAGE]...
int inspect_retag(const std::vector<std::string>& args);

// text as a JSON string literal (quotes, escapes).
std::string json_string(std::string_view text);

// A command-line path as a URL ("file://" + the path unless it already has a scheme).
std::string inspect_url(const std::string& path);
