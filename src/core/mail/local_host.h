#pragma once

#include <string>

namespace qova {

// This machine's name for HELO/EHLO and Message-Id: fully qualified where the
// system knows it, else the plain host name, else "localhost". Only letters,
// digits, "." and "-" survive, so it is always a safe word on the wire. Looked
// up once per process; the lookup is bounded so a dead name server cannot
// hold the first mail.
const std::string& LocalHostName();

// The same cleaning for a name from elsewhere; empty when nothing survives.
std::string CleanHostName(const std::string& name);

} // namespace qova
