// bench_surveylist: how long the site survey list takes to show the largest
// survey one reply can carry (1336 records): the rows filled and sorted as the
// site survey page does when the reply comes, then sorted again by each column
// a user may click. Prints figures; asserts nothing. Runs on any display, the
// offscreen one by default (scripts/bench runs it).

#include "controls/sortlistview.h"
#include "pages/surveylist.h"
#include "protocol/packet.h"
#include "settings/records.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using SurveyList::CSurveyList;

// Networks as a busy site reports them: names of varied case and length,
// signals and channels spread out, repeated names on several access points.
std::vector<_tag_AP_ROFIILE> Survey(int count) {
    static const char* const kNames[] = {"office",  "Office-Guest", "LAB",           "warehouse-2",
                                         "Printer", "cafe",         "Floor 3 North", "iot-sensors"};
    std::vector<_tag_AP_ROFIILE> survey(static_cast<size_t>(count));
    for (int n = 0; n < count; ++n) {
        _tag_AP_ROFIILE& ap = survey[static_cast<size_t>(n)];
        std::snprintf(ap.SSID, sizeof ap.SSID, "%s-%d", kNames[n % 8], (n * 7919) % 1000);
        const uint8_t bssid[6] = {0x02,
                                  0x11,
                                  static_cast<uint8_t>(n >> 8),
                                  static_cast<uint8_t>(n),
                                  static_cast<uint8_t>(n * 13),
                                  0x01};
        std::memcpy(ap.BSSID, bssid, 6);
        ap.Signal = (n * 37) % 101;
        ap.Channel = 1 + (n * 5) % 13;
        ap.Encryption = static_cast<uint8_t>(n % 5);
        ap.Authentication = static_cast<uint8_t>(n % 8);
        ap.NetworkKind = static_cast<uint8_t>(n % 3 == 0);
        ap.WpsCapable = n % 4 == 0;
        ap.Highlighted = n % 50 == 0;
    }
    return survey;
}

double Milliseconds(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int kRounds = 7;
    const int records = swp::kMaxSurveyRecords;
    const std::vector<_tag_AP_ROFIILE> survey = Survey(records);

    TSortListView view;
    view.setObjectName(QStringLiteral("SurveyList"));
    view.resize(520, 220);
    CSurveyList list(&view, SurveyList::AuthLabels::Full);
    list.Setup(QStringLiteral("TFrameSiteSurvey"));
    view.show();
    QApplication::processEvents();

    std::printf("\n== Site survey list: %d records (%d bytes, the most one reply holds)\n", records,
                swp::kHeaderSize + records * swp::kSurveyRecordSize);
    std::vector<double> fill, show, resort;
    for (int round = 1; round <= kRounds; ++round) {
        // The page's fill: clear, append in reply order, sort by signal.
        view.SetSortColumn(SurveyList::InitialSortColumn);
        view.SetIncrease(SurveyList::InitialIncrease);
        QElapsedTimer clock;
        clock.start();
        list.Clear();
        list.Append(survey);
        list.Sort();
        const double filled = Milliseconds(clock);
        QApplication::processEvents(); // layout and the first paint
        const double shown = Milliseconds(clock);

        // A click on each sortable column after the other.
        clock.restart();
        for (int column = SurveyList::ColSSID; column < SurveyList::ColumnCount; ++column) {
            view.SetSortColumn(column);
            list.Sort();
        }
        const double sorted = Milliseconds(clock) / (SurveyList::ColumnCount - 1);
        std::printf("round %d: fill and sort %.1f ms, until shown %.1f ms; one re-sort by a "
                    "column %.1f ms (%d rows)\n",
                    round, filled, shown, sorted, list.RowCount());
        fill.push_back(filled);
        show.push_back(shown);
        resort.push_back(sorted);
    }
    std::printf("median: fill and sort %.1f ms, until shown %.1f ms, one re-sort %.1f ms\n",
                Median(fill), Median(show), Median(resort));
    std::printf("target: fill and sort under 50 ms\n");
    return 0;
}
