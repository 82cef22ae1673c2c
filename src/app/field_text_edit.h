#pragma once
// Texts of the quoted-field records (notes and their links) as the windows show and edit
// them. A record holds Windows-1252 with "&quot;" for a double quote and "&#N;" for a
// character Windows-1252 lacks; the editor shows those as the characters typed, and its
// limits count the stored form, so a full field refuses more input instead of being cut.

#include <QString>
#include <QValidator>

#include <cstddef>
#include <string>

namespace mondeliar::app {

// The stored text of what the user typed, at most `capacity` bytes.
std::string StoredFieldText(const QString& typed, std::size_t capacity);

// The length `typed` has once stored, without any limit.
std::size_t StoredFieldLength(const QString& typed);

// What the editor shows for a stored text: the exact inverse of StoredFieldText, so an
// unchanged text is stored back byte for byte.
QString DisplayedFieldText(const std::string& stored);

// Accepts a text only while its stored form fits `capacity`.
class StoredLengthValidator : public QValidator {
public:
    StoredLengthValidator(std::size_t capacity, QObject* parent);
    State validate(QString& input, int& position) const override;

private:
    std::size_t capacity_;
};

}  // namespace mondeliar::app
