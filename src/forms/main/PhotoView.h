#pragma once

// The widgets that show photos in the main window: the zoomed current photo and the strip
// of thumbnail buttons, one per open photo.

#include <QImage>
#include <QList>
#include <QScrollArea>
#include <QSize>
#include <QWidget>
#include <memory>
#include <vector>

class QButtonGroup;
class QHBoxLayout;
class QToolButton;

namespace vellumora {

class TPhoto;

// The thumbnails of the strip's buttons.
inline constexpr QSize kThumbnailSize(32, 32);

// Paints the photo's rendered picture stretched by nearest pixel to its display size. The
// widget is kept at that size by the window, which centres it in the scrolling area.
class TPhotoView : public QWidget {
    Q_OBJECT

public:
    explicit TPhotoView(const TPhoto& photo, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const TPhoto& photo_;
};

// The open-photo list: a row of check-style buttons of one exclusive group, in the open
// photos' order, scrolling sideways when it is wider than its place. It follows the open photos
// (TOpenPhotos), which own the records: each button stands for one, shows a thumbnail
// from the strip's image list and is named by the photo's file name. For the keyboard the strip is
// one Tab stop, at the pressed button; Left and Right there select the neighbouring photo. Entries
// of the image list are never reused while any button is left, so indexes only grow until the strip
// empties.
class TPhotoStrip : public QScrollArea {
    Q_OBJECT

public:
    explicit TPhotoStrip(QWidget* parent = nullptr);
    ~TPhotoStrip() override;

    int Count() const { return int(entries_.size()); }
    QToolButton* Button(int index) const;
    bool IsPressed(int index) const;

    // Index of the button's thumbnail in the image list, and the list itself.
    int ImageIndex(int index) const;
    int ImageCount() const { return int(images_.size()); }
    QImage Image(int imageIndex) const { return images_.value(imageIndex); }

    // Puts a button for the photo at path (its hint; no caption) with a blank thumbnail
    // at index, or at the end when index is past it; the buttons from there on move up
    // one. Not pressed.
    void Insert(int index, const QString& path);
    void SetThumbnail(int index, const QImage& thumbnail);
    // Marks the button pressed (the others released) and scrolls it into view; the focus
    // moves with it when it was on another button.
    void Press(int index);
    // Frees the button. The image list is cleared once no button is left.
    void Remove(int index);
    void Clear();

signals:
    // A button was clicked by the user, or chosen with Left or Right.
    void Clicked(int index);

protected:
    void focusInEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TEntry;

    // The button that has the keyboard focus; -1 when none.
    int FocusedButton() const;
    // Takes the raised look from a button the pointer is no longer over. Buttons move
    // under a pointer that stands still when one before them goes or the row scrolls, and
    // nothing tells them; the one that was under the pointer would go on looking pressed
    // beside the pressed one. (The one that comes under it is raised when the pointer moves.)
    void ReleaseStaleHover();

    QWidget* row_ = nullptr;
    QHBoxLayout* layout_ = nullptr;
    QButtonGroup* group_ = nullptr;
    std::vector<std::unique_ptr<TEntry>> entries_;
    QList<QImage> images_;
};

}  // namespace vellumora
