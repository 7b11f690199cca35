#include "engine/config.h"

#include <climits>

namespace config {

Property::Property(Property&&) noexcept = default;
Property& Property::operator=(Property&&) noexcept = default;
Property::~Property() = default;

bool Property::get(bool* out) const {
    if (!out || type_ != Type::Bool)
        return false;
    *out = bool_;
    return true;
}

bool Property::get(int* out) const {
    if (!out || type_ != Type::Int || int_ < INT_MIN || int_ > INT_MAX)
        return false;
    *out = static_cast<int>(int_);
    return true;
}

bool Property::get(double* out) const {
    if (!out)
        return false;
    if (type_ == Type::Float)
        *out = float_;
    else if (type_ == Type::Int)
        *out = static_cast<double>(int_);
    else
        return false;
    return true;
}

bool Property::get(float* out) const {
    double value = 0.0;
    if (!out || !get(&value))
        return false;
    *out = static_cast<float>(value);
    return true;
}

bool Property::get(std::string* out) const {
    if (!out || type_ != Type::String)
        return false;
    *out = string_;
    return true;
}

bool Property::getNumbers(std::vector<float>* out) const {
    if (type_ != Type::List)
        return false;
    std::vector<float> values(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (!items_[i].get(&values[i]))
            return false;
    *out = std::move(values);
    return true;
}

bool Property::get(Color* out) const {
    std::vector<float> values;
    if (!out || !getNumbers(&values) || values.size() < 3 || values.size() > 4)
        return false;
    *out = Color(values[0], values[1], values[2], values.size() == 4 ? values[3] : 1.0f);
    return true;
}

bool Property::get(Vector* out) const {
    std::vector<float> values;
    if (!out || !getNumbers(&values) || values.size() != 3)
        return false;
    *out = Vector(values[0], values[1], values[2]);
    return true;
}

bool Property::get(std::vector<float>* out) const {
    return out && getNumbers(out);
}

bool Property::get(std::vector<int>* out) const {
    if (!out || type_ != Type::List)
        return false;
    std::vector<int> values(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (!items_[i].get(&values[i]))
            return false;
    *out = std::move(values);
    return true;
}

bool Property::get(std::vector<std::string>* out) const {
    if (!out || type_ != Type::List)
        return false;
    std::vector<std::string> values(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (!items_[i].get(&values[i]))
            return false;
    *out = std::move(values);
    return true;
}

}  // namespace config
