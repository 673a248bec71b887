#pragma once

// The vendor test server's control interface (see tools/vendor-server.py),
// reached over plain HTTP from the test process.

#include <string>

namespace vendor {

// The body of GET /__control/COMMAND; a test failure when the server does not
// answer 200.
std::string Control(const std::string& command);

// Every later download-page response in the given mode, e.g. Select("slow",
// "size=65536").
void Select(const std::string& mode, const std::string& parameters = "");

// Mode normal with its defaults, the recorded requests forgotten, ICMP echo
// answered.
void Reset();

// Whether the host answers ICMP echo requests.
void SetSilent(bool silent);

// The package body that mode normal serves for an identity and size.
std::string Package(const std::string& edition, const std::string& cpu, std::size_t size);

// The requests received since the last reset, each with its header lines,
// separated by blank lines.
std::string Requests();

} // namespace vendor
