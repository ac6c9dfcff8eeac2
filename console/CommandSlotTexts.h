#pragma once
// The two fixed sample commands of slots 1 and 2, and their captions. Each
// sample is a frame STX, text, ETX followed by its block check.
inline constexpr const char* kSampleCommand1 = "<STX>0,1,INFO?<ETX><179>";
inline constexpr const char* kSampleCommand2 = "<STX>0,1,INFO?<LF><ETX><185>";
// "Sample", the instrument type the sample is meant for, and the key.
inline constexpr const char* kSampleCaption1 = "Sample Telvar-7 [F1]";
inline constexpr const char* kSampleCaption2 = "Sample Telvar-7 [F2]";
