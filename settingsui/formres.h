#pragma once
// The picture store: every picture the windows and pages show, built into the
// program (resources/artwork) and replaceable from files named in the product
// settings. Created once at start-up, never shown; the windows read it.
//
// Sizes of the built-in pictures and where they are drawn to sit:
//   ImgBGMain        600 x 450  wizard window; header band 0..104, pages at top 105
//   ImgFrameBG       600 x 324  every page (0, 0)
//   ImgBtnN/H/D       85 x 21   page buttons (top 288); fuchsia (FF00FF) outside
//                               the shape
//   ImgBGProgress    190 x 50   progress dialog
//   ImgTutorial(2)   553 x 257  tutorial pages, content area at (24, 16)
//   ImgBGAutorun     600 x 450  launcher
//   ImgBtn<entry>N/D 200 x 36   launcher buttons at left 360, tops 170, 214,
//                               258, 302 (Setup Wizard, User's Guide, Product
//                               Registration, Exit); fuchsia outside the shape
//   ImgBtnUG_UGN/D   180 x 22   launcher sub-entries at (380, 258) and
//   ImgBtnUG_QIGN/D             (380, 282)
//   ImgsType          9 x 16x16 survey icons: 0 access point, 1 station adapter,
//                               2 and 3 the same with a padlock, 4..8 signal bars
//                               from one red bar to five blue ones
//   ImgSortInc/Dec    9 x 5     header arrows of the survey lists (ascending,
//                               descending)
//   ImgIPEnableBG    116 x 21   address edit background, enabled / disabled
//   ImgIPDisableBG

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

class TFormRes {
public:
    // Loads the built-in pictures, then the replacements (LoadImages).
    TFormRes();
    // Only the built-in pictures when loadReplacements is false.
    explicit TFormRes(bool loadReplacements);
    // The built-in pictures drawn for scale 1 or 2 (double resolution, with
    // device pixel ratio 2, so that they keep their size on screen).
    // Replacement pictures are used as they are, at any scale.
    TFormRes(bool loadReplacements, int scale);

    // 2 when a screen has more than one device pixel per pixel (the
    // double-resolution pictures are scaled down more cleanly than the others
    // up), else 1.
    static int ScreenScale();
    int Scale() const { return m_Scale; }

    TFormRes(const TFormRes&) = delete;
    TFormRes& operator=(const TFormRes&) = delete;

    // Replaces pictures by the files that section "FormRes_TImage" names, in the
    // folder g_Var.AppPath + "Product"/"Res_Path". A file that is missing,
    // unreadable or damaged keeps the picture as it was.
    void LoadImages();

    // The picture of that name (also the arrows and address edit backgrounds);
    // a null image for an unknown name.
    QImage Picture(const QString& name) const;

    // Names of the replaceable pictures, in the order LoadImages visits them.
    static QStringList ImageNames();

    QImage ImgBGMain;
    QImage ImgFrameBG;
    QImage ImgBtnN;
    QImage ImgBtnH;
    QImage ImgBtnD;
    QImage ImgBGProgress;
    QImage ImgTutorial;
    QImage ImgTutorial2;
    QImage ImgBGAutorun;
    QImage ImgBtnSetupWizardN;
    QImage ImgBtnSetupWizardD;
    QImage ImgBtnUGN;
    QImage ImgBtnUGD;
    QImage ImgBtnProductRegN;
    QImage ImgBtnProductRegD;
    QImage ImgBtnExitN;
    QImage ImgBtnExitD;
    QImage ImgBtnUG_UGN;
    QImage ImgBtnUG_UGD;
    QImage ImgBtnUG_QIGN;
    QImage ImgBtnUG_QIGD;

    // Not replaceable.
    QList<QImage> ImgsType;
    QImage ImgSortInc;
    QImage ImgSortDec;
    QImage ImgIPEnableBG;
    QImage ImgIPDisableBG;

    static constexpr int TypeIconCount = 9;

private:
    int m_Scale = 1;

    void LoadBuiltIn();
    QImage* Find(const QString& name);
    const QImage* Find(const QString& name) const;
};

// The store, from start-up step 5 to the end of the program.
extern TFormRes* FormRes;

// A picture file decoded by its extension: JPEG (.jpg, .jpeg, .jpe, .jfif)
// through our libjpeg decoder, Windows bitmap (.bmp, .dib) and PNG through Qt.
// A null image and the reason in error when it cannot be loaded.
QImage LoadPictureFile(const QString& path, QString* error = nullptr);
