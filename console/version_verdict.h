#pragma once

// What the version check tells the operator about the carried image.
enum class VersionVerdict { Latest, CanUpdate, NoValidFirmware };

// The device's version text against the image's (each at most 16 characters).
// Only exactly 0.1.0 below the image means "no valid firmware".
VersionVerdict JudgeDeviceVersion(const char* deviceVersion, const char* imageVersion);

// The dialog's status text for a verdict (UTF-8 here, code page 932 on Windows).
const char* VerdictStatusText(VersionVerdict verdict);
// The same in English, for the command-line tool.
const char* VerdictEnglishText(VersionVerdict verdict);
