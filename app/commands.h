#pragma once

// The commands of the main window: plain procedures run by control events.
// Each works on the window's controls and the program-wide values it holds,
// in a fixed order, and lets other events run only in its waits.

#include <QString>
#include <string_view>

#include "text/byte_text.h"

namespace quorvane {

class MainWindow;

// Query: the recommended words, the search volumes, the keyword table and list.
void runQuery(MainWindow& window);

// The keyword-table stage of a Query: a.txt from the results box, read back
// into keywordTable, shown as numbered rows. False when the program is
// closing, or a Query nested in the reload has built the table and list.
[[nodiscard]] bool buildKeywordTable(MainWindow& window);

// Replaces keywordTable with the non-empty lines of the file at `path`,
// dispatching events after each line. An unreadable file gives an empty table.
// False when the program is closing, or when a reload nested in this one's
// event processing has replaced the table (the newer one stands).
[[nodiscard]] bool reloadKeywordTable(MainWindow& window, const QString& path);

// Replaces the list's rows with one numbered row per keywordTable entry.
void fillKeywordList(MainWindow& window);

// Long-tail run: the handler of 按钮3. Fetches row crawlCursor, advances,
// and goes on until the cursor reaches the row count or Stop.
void crawlStep(MainWindow& window);

// Stop: the handler of 按钮5.
void stopCrawl(MainWindow& window);

// Fetches the selected row's recommended words and appends them to the
// results box. False when the program is closing.
bool fetchItemWords(MainWindow& window);

// Save: b.txt from the results box.
void saveResults(MainWindow& window);

// Opens the product's web page in the user's browser.
void openWebPage(const MainWindow& window);

// The product's web page, shipped next to the program.
inline constexpr std::string_view kProductPage = "about.html";

// Creates or truncates `path` and writes `bytes`; true when every byte was
// written and the file closed cleanly.
[[nodiscard]] bool writeWholeFile(const QString& path, std::string_view bytes);

// Shows a message box captioned "提示" with no owner, modal for the whole
// program, and returns when the user presses OK.
void showNotice(const QString& text);

}  // namespace quorvane
