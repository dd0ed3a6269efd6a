#include "settingsui/formres.h"

#include "settings/debug.h"
#include "settings/filepath.h"
#include "settings/globalvar.h"
#include "settings/inifile.h"
#include "settingsui/jpegimage.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <mutex>

TFormRes* FormRes = nullptr;

// The artwork lives in the static `resources` library; its registration
// function has to be called by name, outside any namespace.
static void InitArtwork() {
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(resources); });
}

namespace {

struct NamedPicture {
    const char* name;
    QImage TFormRes::*member;
    const char* builtIn; // resource path
};

// The replaceable pictures, in the order LoadImages visits them.
const NamedPicture kPictures[] = {
    {"ImgBGMain", &TFormRes::ImgBGMain, ":/artwork/ImgBGMain.jpg"},
    {"ImgFrameBG", &TFormRes::ImgFrameBG, ":/artwork/ImgFrameBG.jpg"},
    {"ImgBtnN", &TFormRes::ImgBtnN, ":/artwork/ImgBtnN.bmp"},
    {"ImgBtnH", &TFormRes::ImgBtnH, ":/artwork/ImgBtnH.bmp"},
    {"ImgBtnD", &TFormRes::ImgBtnD, ":/artwork/ImgBtnD.bmp"},
    {"ImgBGProgress", &TFormRes::ImgBGProgress, ":/artwork/ImgBGProgress.jpg"},
    {"ImgTutorial", &TFormRes::ImgTutorial, ":/artwork/ImgTutorial.jpg"},
    {"ImgTutorial2", &TFormRes::ImgTutorial2, ":/artwork/ImgTutorial2.jpg"},
    {"ImgBGAutorun", &TFormRes::ImgBGAutorun, ":/artwork/ImgBGAutorun.jpg"},
    {"ImgBtnSetupWizardN", &TFormRes::ImgBtnSetupWizardN, ":/artwork/ImgBtnSetupWizardN.bmp"},
    {"ImgBtnSetupWizardD", &TFormRes::ImgBtnSetupWizardD, ":/artwork/ImgBtnSetupWizardD.bmp"},
    {"ImgBtnUGN", &TFormRes::ImgBtnUGN, ":/artwork/ImgBtnUGN.bmp"},
    {"ImgBtnUGD", &TFormRes::ImgBtnUGD, ":/artwork/ImgBtnUGD.bmp"},
    {"ImgBtnProductRegN", &TFormRes::ImgBtnProductRegN, ":/artwork/ImgBtnProductRegN.bmp"},
    {"ImgBtnProductRegD", &TFormRes::ImgBtnProductRegD, ":/artwork/ImgBtnProductRegD.bmp"},
    {"ImgBtnExitN", &TFormRes::ImgBtnExitN, ":/artwork/ImgBtnExitN.bmp"},
    {"ImgBtnExitD", &TFormRes::ImgBtnExitD, ":/artwork/ImgBtnExitD.bmp"},
    {"ImgBtnUG_UGN", &TFormRes::ImgBtnUG_UGN, ":/artwork/ImgBtnUG_UGN.bmp"},
    {"ImgBtnUG_UGD", &TFormRes::ImgBtnUG_UGD, ":/artwork/ImgBtnUG_UGD.bmp"},
    {"ImgBtnUG_QIGN", &TFormRes::ImgBtnUG_QIGN, ":/artwork/ImgBtnUG_QIGN.bmp"},
    {"ImgBtnUG_QIGD", &TFormRes::ImgBtnUG_QIGD, ":/artwork/ImgBtnUG_QIGD.bmp"},
};

const NamedPicture kFixedPictures[] = {
    {"ImgSortInc", &TFormRes::ImgSortInc, ":/artwork/ImgSortInc.png"},
    {"ImgSortDec", &TFormRes::ImgSortDec, ":/artwork/ImgSortDec.png"},
    {"ImgIPEnableBG", &TFormRes::ImgIPEnableBG, ":/artwork/ImgIPEnableBG.bmp"},
    {"ImgIPDisableBG", &TFormRes::ImgIPDisableBG, ":/artwork/ImgIPDisableBG.bmp"},
};

// The double-resolution twin of a built-in picture: "ImgBGMain@2x.jpg".
QString AtScale(const char* builtIn, int scale) {
    const QString path = QString::fromLatin1(builtIn);
    if (scale == 1)
        return path;
    const qsizetype dot = path.lastIndexOf(u'.');
    return path.left(dot) + QStringLiteral("@%1x").arg(scale) + path.mid(dot);
}

constexpr const char* kTypeIcons = ":/artwork/ImgsType.png"; // nine icons side by side
constexpr int kTypeIconSize = 16;
constexpr qint64 kImageAllocationLimitMB = 256;

} // namespace

QImage LoadPictureFile(const QString& path, QString* error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    QString reason;
    QImage image;
    if (suffix == u"jpg" || suffix == u"jpeg" || suffix == u"jpe" || suffix == u"jfif") {
        image = Jpeg::DecodeFile(path, &reason);
    } else if (suffix == u"bmp" || suffix == u"dib" || suffix == u"png") {
        QImageReader reader(path, suffix == u"png" ? "png" : "bmp");
        reader.setDecideFormatFromContent(false);
        reader.setAllocationLimit(kImageAllocationLimitMB);
        image = reader.read();
        if (image.isNull())
            reason = reader.errorString();
    } else {
        reason = QStringLiteral("unsupported picture format \"%1\"").arg(suffix);
    }
    if (error)
        *error = image.isNull() ? reason : QString();
    return image;
}

TFormRes::TFormRes() : TFormRes(true) {}

TFormRes::TFormRes(bool loadReplacements) : TFormRes(loadReplacements, ScreenScale()) {}

TFormRes::TFormRes(bool loadReplacements, int scale) : m_Scale(scale == 2 ? 2 : 1) {
    InitArtwork();
    LoadBuiltIn();
    if (loadReplacements)
        LoadImages();
}

void TFormRes::LoadBuiltIn() {
    auto load = [this](const NamedPicture& picture) {
        QString error;
        QImage& image = this->*picture.member;
        image = LoadPictureFile(AtScale(picture.builtIn, m_Scale), &error);
        if (m_Scale != 1 && !image.isNull())
            image.setDevicePixelRatio(m_Scale);
        if (image.isNull())
            DebugLog("TFormRes: built-in picture %s missing: %s", picture.name,
                     qUtf8Printable(error));
    };
    for (const NamedPicture& picture : kPictures)
        load(picture);
    for (const NamedPicture& picture : kFixedPictures)
        load(picture);

    ImgsType.clear();
    QImage strip = LoadPictureFile(AtScale(kTypeIcons, m_Scale));
    const int size = kTypeIconSize * m_Scale;
    for (int i = 0; i < TypeIconCount; ++i) {
        QImage icon = strip.isNull() ? QImage() : strip.copy(i * size, 0, size, size);
        if (!icon.isNull())
            icon.setDevicePixelRatio(m_Scale);
        ImgsType.append(icon);
    }
}

void TFormRes::LoadImages() {
    if (!g_Var.Ini)
        return;
    CIniLock lock(*g_Var.Ini);
    if (!lock.operator->())
        return;
    CIniFile& reader = lock.Reader();

    QString folder = ResolveFileName(g_Var.AppPath, reader.ReadString("Product", "Res_Path", ""));
    if (folder.isEmpty())
        folder = g_Var.AppPath;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    if (!QFileInfo(folder).isDir()) {
        DebugLog("TFormRes::LoadImages() folder %s not found", qUtf8Printable(folder));
        return;
    }

    for (const NamedPicture& picture : kPictures) {
        const QString name = QString::fromLatin1(picture.name);
        const QString file = reader.ReadString("FormRes_TImage", name, "");
        if (file.isEmpty())
            continue;
        const QString path = ResolveFileName(folder, file);
        if (!QFileInfo(path).isFile())
            continue;
        QString error;
        const QImage image = LoadPictureFile(path, &error);
        if (image.isNull()) {
            DebugLog("TFormRes::LoadImages() %s", picture.name);
            DebugLog("  %s kept: %s", qUtf8Printable(path), qUtf8Printable(error));
            continue;
        }
        this->*picture.member = image;
    }
}

QImage* TFormRes::Find(const QString& name) {
    for (const NamedPicture& picture : kPictures)
        if (name == QLatin1String(picture.name))
            return &(this->*picture.member);
    for (const NamedPicture& picture : kFixedPictures)
        if (name == QLatin1String(picture.name))
            return &(this->*picture.member);
    return nullptr;
}

const QImage* TFormRes::Find(const QString& name) const {
    return const_cast<TFormRes*>(this)->Find(name);
}

QImage TFormRes::Picture(const QString& name) const {
    const QImage* image = Find(name);
    return image ? *image : QImage();
}

QStringList TFormRes::ImageNames() {
    QStringList names;
    for (const NamedPicture& picture : kPictures)
        names.append(QString::fromLatin1(picture.name));
    return names;
}

int TFormRes::ScreenScale() {
    const auto* app = qobject_cast<const QGuiApplication*>(QCoreApplication::instance());
    return app && app->devicePixelRatio() > 1.0 ? 2 : 1;
}
