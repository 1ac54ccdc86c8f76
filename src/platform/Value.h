#pragma once
// A field value as the data layer hands it out: empty (never assigned), Null (the database's NULL),
// a number or a text. Record sets carry these; NullToStr and friends turn them into text.
#include <string>
#include <variant>

namespace qm {

class Value {
public:
    enum class Kind { Empty, Null, Number, Text };

    Value() = default;
    static Value Null() {
        Value v;
        v.kind_ = Kind::Null;
        return v;
    }
    static Value Number(double d) {
        Value v;
        v.kind_ = Kind::Number;
        v.num_ = d;
        return v;
    }
    static Value Text(std::string s) {
        Value v;
        v.kind_ = Kind::Text;
        v.text_ = std::move(s);
        return v;
    }

    Kind kind() const { return kind_; }
    bool isEmpty() const { return kind_ == Kind::Empty; }
    bool isNull() const { return kind_ == Kind::Null; }
    bool isNumber() const { return kind_ == Kind::Number; }
    bool isText() const { return kind_ == Kind::Text; }
    double number() const { return num_; }
    const std::string& text() const { return text_; }

    // Text form: empty and Null give ""; whole numbers print without a fraction.
    std::string toText() const;

    bool operator==(const Value& o) const { return kind_ == o.kind_ && num_ == o.num_ && text_ == o.text_; }

private:
    Kind kind_ = Kind::Empty;
    double num_ = 0;
    std::string text_;
};

} // namespace qm
