#include "unattended/report_text.h"

#include <cstdio>
#include <string>
#include <vector>

// Writes to standard output the CSV report of one drive for each argument,
// the argument its model, serial, firmware and download page, for
// tools/check-csv-in-calc.sh to import into a spreadsheet.
int main(int argc, char** argv)
{
    std::vector<ReportDrive> drives;
    for (int i = 1; i < argc; ++i)
        drives.push_back({"identify", argv[i], argv[i], argv[i], true, argv[i]});
    const std::string csv = CsvReport(drives);
    return std::fwrite(csv.data(), 1, csv.size(), stdout) == csv.size() ? 0 : 1;
}
