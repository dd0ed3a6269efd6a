#pragma once
// A picture that acts as a link or button: it switches between its image slots
// on pointer entry and exit, on press and on enabling. Slot 0 is the normal
// picture, slot 1 the pointer-over or pressed one, slot 3 the disabled one.

#include <QImage>
#include <QLabel>
#include <QList>
#include <array>

class TGWImage : public QLabel {
    Q_OBJECT
    Q_PROPERTY(TImageSource ImageSource READ ImageSource WRITE SetImageSource)
    Q_PROPERTY(TImageStyle ImageStyle READ ImageStyle WRITE SetImageStyle)
    Q_PROPERTY(bool MouseOverEffect READ MouseOverEffect WRITE SetMouseOverEffect)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)

public:
    enum TImageSource { gsrcImageList, gsrcImage };
    Q_ENUM(TImageSource)
    enum TImageStyle { gsButton, gsPushButton, gsTabButton };
    Q_ENUM(TImageStyle)

    static constexpr int SlotCount = 8;

    explicit TGWImage(QWidget* parent = nullptr);

    // Image0 ... Image7, used with gsrcImage. An empty image leaves the slot
    // unset (showing it changes nothing). Setting slot 0 shows it at once.
    QImage Image(int slot) const;
    void SetImage(int slot, const QImage& image);

    // The images used with gsrcImageList: slot i is image i of the list.
    const QList<QImage>& ImageList() const { return m_ImageList; }
    void SetImageList(const QList<QImage>& images);

    TImageSource ImageSource() const { return m_Source; }
    void SetImageSource(TImageSource source);
    TImageStyle ImageStyle() const { return m_Style; }
    void SetImageStyle(TImageStyle style) { m_Style = style; }
    // Show slot 1 while the pointer is over the picture.
    bool MouseOverEffect() const { return m_MouseOverEffect; }
    void SetMouseOverEffect(bool on) { m_MouseOverEffect = on; }
    // gsTabButton pictures with the same tag form one group.
    int Tag() const { return m_Tag; }
    void SetTag(int tag) { m_Tag = tag; }

    // The slot last shown.
    int ImageIndex() const { return m_Slot; }
    void SetImageIndex(int slot) { ShowSlot(slot); }
    // Shows slot i if it holds a picture; otherwise nothing changes.
    void ShowSlot(int slot);

signals:
    void MouseEnter();
    void MouseLeave();
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ReleaseTabGroup();

    std::array<QImage, SlotCount> m_Images;
    QList<QImage> m_ImageList;
    TImageSource m_Source = gsrcImageList;
    TImageStyle m_Style = gsButton;
    bool m_MouseOverEffect = false;
    int m_Tag = 0;
    int m_Slot = 0;
    bool m_Pressed = false;
};
