#include "tools/swpctl/doctor.h"

#include "diagnosis/diagnosis.h"
#include "protocol/formudp.h"
#include "requests/waits.h"

#include <QCoreApplication>
#include <QJsonDocument>
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
            const QByteArray text =
                options.json
                    ? QJsonDocument(diag::ReportJson(report)).toJson(QJsonDocument::Indented)
                    : diag::ReportText(report).toUtf8();
            std::fputs(text.constData(), stdout);
            std::fflush(stdout);
            QCoreApplication::exit(report.ExitCode());
        },
        Qt::QueuedConnection);
    QTimer::singleShot(0, &diagnosis, [&] { diagnosis.Start(Waits::Discover); });
    return QCoreApplication::exec();
}

} // namespace swpctl
