// The North American coupon codes: AI 8110 (the coupon code) and AI 8112 (the paperless coupon's positive
// offer), fields led by variable length indicators (VLIs) as the GS1 US coupon application guideline lays
// them out.
#include <optional>
#include <string>

#include "linters.hpp"

namespace tavlo::gs1 {
namespace {

using Failure = std::optional<std::string>;

// Reads the fields of a coupon from left to right; the first rule broken is kept and later reads do nothing.
class CouponReader {
public:
    explicit CouponReader(std::string_view value) : value_(value) {}

    bool at_end() const { return pos_ == value_.size(); }
    bool failed() const { return failure_.has_value(); }
    Failure failure() const { return failure_; }

    // The next digit if there is one and the reader has not failed: the optional fields' leading digits.
    std::optional<char> peek() const {
        if (failed() || at_end()) return std::nullopt;
        return value_[pos_];
    }

    // A one-digit field whose value must be in `allowed`; returns it.
    int digit(std::string_view field, std::string_view allowed) {
        if (failed()) return 0;
        if (at_end()) return fail("the coupon has no " + std::string(field));
        const char c = value_[pos_++];
        if (allowed.find(c) == std::string_view::npos) return fail("the coupon's " + std::string(field) + " is invalid");
        return c - '0';
    }

    // A field of `length` digits; returns it.
    std::string_view field(std::string_view name, std::size_t length) {
        if (failed()) return {};
        if (value_.size() - pos_ < length) {
            fail("the coupon's " + std::string(name) + " is shorter than " + std::to_string(length) + " digits");
            return {};
        }
        pos_ += length;
        return value_.substr(pos_ - length, length);
    }

    // A GS1 Company Prefix led by a VLI: 0 to 6 give 6 to 12 digits, and `none_allowed` lets 9 say there is none.
    void company_prefix(std::string_view name, bool none_allowed) {
        const int vli = digit(std::string(name) + " length", none_allowed ? "01234569" : "0123456");
        if (failed() || (none_allowed && vli == 9)) return;
        // All digits already, so the prefix's own check (four digits at least) holds.
        field(name, std::size_t(vli) + 6);
    }

    // A field whose length, 1 to 5 digits, its VLI gives.
    void counted(std::string_view name) {
        const int vli = digit(std::string(name) + " length", "12345");
        field(name, std::size_t(vli));
    }

    // A purchase requirement: its length-led value, its code and its family code.
    void purchase(std::string_view ordinal) {
        counted(std::string(ordinal) + " purchase requirement");
        digit(std::string(ordinal) + " purchase requirement code", "012349");
        field(std::string(ordinal) + " purchase family code", 3);
    }

    Failure finish() {
        if (!failed() && !at_end()) fail("the coupon has data after its last field");
        return failure_;
    }

    int fail(std::string message) {
        if (!failure_) failure_ = std::move(message);
        return 0;
    }

private:
    std::string_view value_;
    std::size_t pos_ = 0;
    Failure failure_;
};

}  // namespace

Failure lint_coupon_code(std::string_view value) {
    if (!all_digits(value)) return std::string("the coupon must hold digits only");
    CouponReader coupon(value);
    coupon.company_prefix("Company Prefix", false);
    coupon.field("offer code", 6);
    coupon.counted("save value");
    coupon.purchase("first");
    // Optional fields, each led by its number, in increasing order.
    if (coupon.peek() == '1') {
        coupon.field("field number", 1);
        coupon.digit("additional purchase rules code", "0123");
        coupon.purchase("second");
        coupon.company_prefix("second purchase Company Prefix", true);
    }
    if (coupon.peek() == '2') {
        coupon.field("field number", 1);
        coupon.purchase("third");
        coupon.company_prefix("third purchase Company Prefix", true);
    }
    std::string_view expiry;
    if (coupon.peek() == '3') {
        coupon.field("field number", 1);
        expiry = coupon.field("expiration date", 6);
        if (!coupon.failed() && lint_yymmdd(expiry, false)) coupon.fail("the coupon's expiration date is invalid");
    }
    if (coupon.peek() == '4') {
        coupon.field("field number", 1);
        const std::string_view start = coupon.field("start date", 6);
        if (!coupon.failed() && lint_yymmdd(start, false)) coupon.fail("the coupon's start date is invalid");
        if (!coupon.failed() && !expiry.empty() && expiry < start) {
            coupon.fail("the coupon expires before it starts");
        }
    }
    if (coupon.peek() == '5') {
        coupon.field("field number", 1);
        const int vli = coupon.digit("serial number length", "0123456789");
        coupon.field("serial number", std::size_t(vli) + 6);
    }
    if (coupon.peek() == '6') {
        coupon.field("field number", 1);
        const int vli = coupon.digit("retailer Company Prefix or GLN length", "1234567");
        coupon.field("retailer Company Prefix or GLN", std::size_t(vli) + 6);
    }
    if (coupon.peek() == '9') {
        coupon.field("field number", 1);
        coupon.digit("save value code", "01256");
        coupon.digit("save value applies to item", "012");
        coupon.digit("store coupon flag", "0123456789");
        coupon.digit("don't multiply flag", "01");
    }
    return coupon.finish();
}

Failure lint_coupon_positive_offer(std::string_view value) {
    if (!all_digits(value)) return std::string("the coupon must hold digits only");
    CouponReader coupon(value);
    coupon.digit("format code", "01");
    const int vli = coupon.digit("funder length", "0123456");
    coupon.field("funder", std::size_t(vli) + 6);
    coupon.field("offer code", 6);
    const int serial = coupon.digit("serial number length", "0123456789");
    coupon.field("serial number", std::size_t(serial) + 6);
    return coupon.finish();
}

}  // namespace tavlo::gs1
