#pragma once
// The scenario as JSON for other tools, and as one self-contained HTML page
// for people.

#include <string>

#include "decode.h"
#include "report.h"

/// Every record, every cell and the plan (rows without a value as null),
/// with the checks and the decoded items. Names are UTF-8.
std::string render_json(const Scenario& s, const Decoded& d);

/// Escapes text for JSON strings (quotes, backslashes, control characters).
std::string json_text(const std::string& utf8);

/// Escapes text for HTML and SVG (& < > " ').
std::string html_text(const std::string& utf8);

/// One page: a map of the plan, a profile along the line and the report's
/// tables; no script and nothing fetched from elsewhere. With
/// `reload_seconds` above 0 the page reloads itself that often (while
/// scenario-compile watches the files that it shows).
std::string render_html(const Scenario& s, const Decoded& d, const Summary& r, int reload_seconds = 0);

/// The tag in a page's head that reloads it every `reload_seconds`; empty
/// for 0.
std::string reload_tag(int reload_seconds);
