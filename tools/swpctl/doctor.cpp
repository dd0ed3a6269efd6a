#include "tools/swpctl/doctor.h"

#include "diagnosis/diagnosis.h"
#include "protocol/formudp.h"
#include "requests/waits.h"
#include "tools/swpctl/output.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

namespace swpctl {

int RunDoctor(const CtlOptions& options) {
    TFormUDP engine;
    engine.SetAdapterFilter(options.adapter);
    diag::CDiagnosis diagnosis(engine);
    QObject::connect(
        &diagnosis, &diag::CDiagnosis::Finished, &diagnosis,
        [&] {
            const diag::Report& report = diagnosis.Result();
            if (const diag::Finding* main = report.MainFinding())
                NoteFailure(main->summary);
            if (options.json) {
                SetDocument(diag::ReportJson(report));
            } else {
                std::fputs(diag::ReportText(report).toUtf8().constData(), stdout);
                std::fflush(stdout);
            }
            QCoreApplication::exit(report.ExitCode());
        },
        Qt::QueuedConnection);
    QTimer::singleShot(0, &diagnosis, [&] { diagnosis.Start(Waits::Discover); });
    return QCoreApplication::exec();
}

} // namespace swpctl
