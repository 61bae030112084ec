#include "AppearanceDialogs.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListView>

namespace cpuchat {

namespace {

constexpr int kOnlyInputSize = 8;

QLineEdit* sizeField(QFontDialog& dialog) {
    // The only field of the dialog that takes whole numbers.
    for (QLineEdit* field : dialog.findChildren<QLineEdit*>()) {
        if (qobject_cast<const QIntValidator*>(field->validator())) return field;
    }
    return nullptr;
}

QListView* sizeList(QFontDialog& dialog) {
    // The list whose entries are numbers.
    for (QListView* list : dialog.findChildren<QListView*>()) {
        const QAbstractItemModel* model = list->model();
        if (!model || model->rowCount() == 0) continue;
        bool number = false;
        model->index(0, 0).data().toString().toInt(&number);
        if (number) return list;
    }
    return nullptr;
}

void hideWithLabel(QFontDialog& dialog, QWidget* widget) {
    widget->hide();
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->buddy() == widget) label->hide();
    }
}

}  // namespace

std::optional<QColor> StandardAppearanceDialogs::chooseColour(QColor current) {
    QColorDialog dialog(current, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedColor();
}

std::optional<FontSpec> StandardAppearanceDialogs::chooseFont(const FontSpec& current, bool sizeEightOnly) {
    QFontDialog dialog(m_parent);
    prepareFontDialog(dialog, current, sizeEightOnly);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return chosenFont(dialog, current, sizeEightOnly);
}

void StandardAppearanceDialogs::prepareFontDialog(QFontDialog& dialog, const FontSpec& current,
                                                  bool sizeEightOnly) {
    // The toolkit's own widgets, so that they can be trimmed to face, size and style.
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    FontSpec shown = current;
    if (sizeEightOnly) shown.size = kOnlyInputSize;
    // The dialog lists installed faces; it shows the one that stands in for ours.
    QFont font = shown.toQFont();
    font.setFamily(QFontInfo(font).family());
    font.setUnderline(false);
    font.setStrikeOut(false);
    dialog.setCurrentFont(font);

    QGroupBox* effects = nullptr;  // underline, strike-out
    QGroupBox* sample = nullptr;
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        if (!group->findChildren<QCheckBox*>().isEmpty()) {
            effects = group;
        } else if (!group->findChildren<QLineEdit*>().isEmpty()) {
            sample = group;
        }
    }
    if (effects) {
        // The sample beside the effects took its height from them.
        if (sample) sample->setMinimumHeight(effects->sizeHint().height());
        effects->hide();
    }
    for (QComboBox* filter : dialog.findChildren<QComboBox*>())
        hideWithLabel(dialog, filter);  // writing system

    if (!sizeEightOnly) return;
    if (QListView* list = sizeList(dialog)) list->hide();
    if (QLineEdit* field = sizeField(dialog)) {
        field->setReadOnly(true);
        field->setText(QString::number(kOnlyInputSize));
    }
    // Another face may list other sizes and pick one of them: back to 8.
    QObject::connect(&dialog, &QFontDialog::currentFontChanged, &dialog, [&dialog](const QFont& chosen) {
        if (chosen.pointSize() == kOnlyInputSize) return;
        QFont eight = chosen;
        eight.setPointSize(kOnlyInputSize);
        dialog.setCurrentFont(eight);
    });
}

FontSpec StandardAppearanceDialogs::chosenFont(const QFontDialog& dialog, const FontSpec& current,
                                               bool sizeEightOnly) {
    const QFont font = dialog.currentFont();
    FontSpec chosen = current;  // underline and strike-out are not offered: they stay
    if (font.family() != QFontInfo(current.toQFont()).family()) chosen.face = font.family();
    chosen.size = sizeEightOnly ? kOnlyInputSize : font.pointSize();
    chosen.bold = font.bold();
    chosen.italic = font.italic();
    return chosen;
}

}  // namespace cpuchat
