#pragma once

#include <string_view>
#include <vector>

// How a spreadsheet cuts a CSV text into cells, and which cells it would run:
// written from RFC 4180 and from how Calc and Excel import a text, not from
// the program's writer. The report's fuzzer and its tests read with it.

using CsvCells = std::vector<std::string_view>;

inline bool IsFormulaStart(char c)
{
    return std::string_view("=+-@\t\r").find(c) != std::string_view::npos;
}

// The lines of `csv` as a spreadsheet that splits at `separator` cuts them,
// each cell as written. At ',' it honours RFC 4180's quotes, and a line ends
// at CRLF outside them. At ';' or TAB, Calc and Excel honour a quote only
// where a cell begins, which IsSafeCsvCell allows none to: so every
// separator, CR and LF ends a cell there, CR, LF and CRLF a line. A last
// line without its line end is kept.
inline std::vector<CsvCells> CsvLines(std::string_view csv, char separator)
{
    const bool quotesHonoured = separator == ',';
    std::vector<CsvCells> lines(1);
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < csv.size(); ++i) {
        quoted = quotesHonoured && quoted != (csv[i] == '"');
        const bool crlf = csv.compare(i, 2, "\r\n") == 0;
        const bool lineEnd =
            !quoted && (crlf || (!quotesHonoured && (csv[i] == '\r' || csv[i] == '\n')));
        if (quoted || (csv[i] != separator && !lineEnd))
            continue;
        lines.back().push_back(csv.substr(start, i - start));
        if (lineEnd) {
            lines.emplace_back();
            i += crlf;
        }
        start = i + 1;
    }
    if (start < csv.size())
        lines.back().push_back(csv.substr(start));
    if (lines.back().empty())
        lines.pop_back();
    return lines;
}

// Whether a spreadsheet that split at `separator` would take `cell` as text.
// At ',' a quoted cell's text begins after its quote, and must not begin a
// formula. At ';' or TAB a cell must begin neither a formula nor a quote
// (Calc and Excel end a quoted cell at different places), blanks passed
// over: Calc skips them before a quote, and its "Trim spaces" option drops
// them from an unquoted cell.
inline bool IsSafeCsvCell(std::string_view cell, char separator)
{
    if (separator == ',') {
        const std::string_view text = cell.substr(!cell.empty() && cell[0] == '"');
        return text.empty() || !IsFormulaStart(text[0]);
    }
    const std::size_t first = cell.find_first_not_of(' ');
    return first == std::string_view::npos || (cell[first] != '"' && !IsFormulaStart(cell[first]));
}

// Whether every cell of `csv`, split at ',', ';' and TAB, is text.
inline bool HasOnlySafeCsvCells(std::string_view csv)
{
    for (char separator : {',', ';', '\t'}) {
        for (const CsvCells& line : CsvLines(csv, separator)) {
            for (std::string_view cell : line) {
                if (!IsSafeCsvCell(cell, separator))
                    return false;
            }
        }
    }
    return true;
}
