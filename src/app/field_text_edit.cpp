#include "app/field_text_edit.h"

#include "app/text_convert.h"
#include "base/field_text.h"

namespace mondeliar::app {

namespace {

const QString QuoteEntity = QStringLiteral("&quot;");

// "&#N;" as the conversion to Windows-1252 writes it: decimal digits without a leading zero,
// for a character that Windows-1252 cannot hold.
bool IsWrittenReference(const QString& digits, char32_t& codePoint)
{
    if (digits.isEmpty() || digits.size() > 7 || digits.front() == '0')
        return false;
    for (QChar c : digits)
        if (!c.isDigit() || c.unicode() > '9')
            return false;
    codePoint = digits.toUInt();
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return false;
    QString character = QString::fromUcs4(&codePoint, 1);
    return ToWindows1252(character) == "&#" + digits.toStdString() + ";";
}

}  // namespace

std::string StoredFieldText(const QString& typed, std::size_t capacity)
{
    return FieldSafeText(ToWindows1252(typed), capacity);
}

std::size_t StoredFieldLength(const QString& typed)
{
    return StoredFieldText(typed, Unlimited).size();
}

QString DisplayedFieldText(const std::string& stored)
{
    QString text = FromWindows1252(stored);
    QString shown;
    int i = 0;
    while (i < text.size()) {
        if (text.mid(i, QuoteEntity.size()) == QuoteEntity) {
            shown += '"';
            i += QuoteEntity.size();
            continue;
        }
        if (text.mid(i, 2) == "&#") {
            int end = text.indexOf(';', i + 2);
            char32_t codePoint = 0;
            if (end > 0 && IsWrittenReference(text.mid(i + 2, end - i - 2), codePoint)) {
                shown += QString::fromUcs4(&codePoint, 1);
                i = end + 1;
                continue;
            }
        }
        shown += text[i++];
    }
    return shown;
}

StoredLengthValidator::StoredLengthValidator(std::size_t capacity, QObject* parent)
    : QValidator(parent), capacity_(capacity)
{
}

QValidator::State StoredLengthValidator::validate(QString& input, int&) const
{
    return StoredFieldLength(input) <= capacity_ ? Acceptable : Invalid;
}

}  // namespace mondeliar::app
