#pragma once

#include <string>

// The --yes rule of the commands that write a device: with --yes go ahead;
// on a terminal ask question (y/N); without a terminal refuse. Returns -1 to
// go ahead, or the exit code to end with (2 refused, 1 answered no).
// The answers that mean yes: y and yes in any of their usual cases; in
// Japanese also はい. Anything else (n, no, いいえ, nothing) is no.
bool IsYes(const std::string& answer);

int ConfirmOrRefuse(bool yes, const std::string& what, const std::string& question);
