#pragma once
// The two check codes of a scenario, computed from its two names. The form's
// procedures store them; tools that read compiled files recompute them.

#include <cstdint>
#include <string>
#include <string_view>

/// The key text: train number, then line name, in lower case, followed by
/// the fixed text of the pairs aa to oo (without j and k).
std::string check_code_key(std::string_view numero_treno, std::string_view nome_linea);

/// Plain code: the sum of the ANSI codes of the first 25 characters.
int16_t plain_code(std::string_view key);

/// Weighted code: the sum of the ANSI codes of the first 25 characters, each
/// multiplied by its position (1 to 25).
int32_t weighted_code(std::string_view key);
