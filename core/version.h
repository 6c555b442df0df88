#pragma once

// Shown on the welcome and recovery screens.
constexpr const char* kKorvoCredit = "Korvo 1.0";
