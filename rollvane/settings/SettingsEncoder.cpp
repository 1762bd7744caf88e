#include "rollvane/settings/SettingsEncoder.h"

#include "rollvane/settings/SettingText.h"

namespace rollvane {

namespace {

std::string DecimalText(int32_t number)
{
    return std::to_string(number);
}

std::string ParityText(int32_t code)
{
    switch (code) {
    case 0:
        return "NONE";
    case 1:
        return "ODD";
    case 2:
        return "EVEN";
    default:
        return {};
    }
}

bool FontRefused(const std::string &text, const PrinterModelInfo &model, std::string *refusal)
{
    SettingsTable::ModelKind kind;
    if (model.isVornLModel()) {
        kind = SettingsTable::ModelKind::VornL;
    } else if (model.isChinaModel()) {
        kind = SettingsTable::ModelKind::China;
    } else {
        return false;
    }
    for (const auto &rule : SettingsTable::FontRefusals()) {
        if (rule.model == kind && SettingText::EqualNoCase(text, rule.text)) {
            if (refusal) {
                *refusal = rule.message;
            }
            return true;
        }
    }
    return false;
}

template <typename Rows>
bool UsbValueFrom(const Rows &rows, const std::string &usbType, const std::string &selectType, uint8_t *value)
{
    const bool isAuto = SettingText::EqualNoCase(selectType, SettingsTable::kAutoSelectType);
    for (const auto &row : rows) {
        if (!SettingText::EqualNoCase(usbType, row.usbType)) {
            continue;
        }
        if (row.select == SettingsTable::SelectMatch::Any ||
            (row.select == SettingsTable::SelectMatch::Auto) == isAuto) {
            *value = row.value;
            return true;
        }
    }
    return false;
}

}  // namespace

bool SettingsEncoder::ValueOf(const SettingItem &item, const std::string &text, uint16_t *value)
{
    if (text.empty()) {
        return false;
    }
    for (const auto &pair : item.writeValues) {
        if (SettingText::EqualNoCase(text, pair.text)) {
            *value = pair.value;
            return true;
        }
    }
    return false;
}

bool SettingsEncoder::UsbTypeValue(const std::string &usbType, const std::string &selectType, bool supportsSelectType,
                                   uint8_t *value)
{
    return supportsSelectType ? UsbValueFrom(SettingsTable::UsbTypeWrites(), usbType, selectType, value)
                              : UsbValueFrom(SettingsTable::PlainUsbTypeWrites(), usbType, selectType, value);
}

std::vector<SetCommand> SettingsEncoder::EncodeItem(const SettingItem &item, const SettingsCopy &copy,
                                                    const PrinterModelInfo &model, std::string *refusal)
{
    const std::string &text = copy.texts.text(item.number);
    uint16_t value = 0;
    switch (item.writeRule) {
    case WriteRule::Never:
        return {};
    case WriteRule::Text:
        break;
    case WriteRule::BaudNumber:
        if (!ValueOf(item, DecimalText(copy.baudRate), &value)) {
            return {};
        }
        return {{item.itemCode, static_cast<uint8_t>(value)}};
    case WriteRule::DataBitsNumber:
        if (!ValueOf(item, DecimalText(copy.dataBits), &value)) {
            return {};
        }
        return {{item.itemCode, static_cast<uint8_t>(value)}};
    case WriteRule::StopBitsNumber:
        if (!ValueOf(item, DecimalText(copy.stopBits), &value)) {
            return {};
        }
        return {{item.itemCode, static_cast<uint8_t>(value)}};
    case WriteRule::ParityCode:
        if (!ValueOf(item, ParityText(copy.parityCode), &value)) {
            return {};
        }
        return {{item.itemCode, static_cast<uint8_t>(value)}};
    case WriteRule::UsbType: {
        uint8_t usb = 0;
        if (!UsbTypeValue(copy.texts.text(SettingsTable::kUsbTypeItem), copy.texts.text(SettingsTable::kUsbSelectItem),
                          model.supportsUsbSelectType(), &usb)) {
            return {};
        }
        return {{item.itemCode, usb}};
    }
    case WriteRule::FontSize:
        if (!ValueOf(item, text, &value) || FontRefused(text, model, refusal)) {
            return {};
        }
        return {{item.itemCode, static_cast<uint8_t>(value)}};
    case WriteRule::ReceiptLength:
        if (!ValueOf(item, text, &value)) {
            return {};
        }
        return {{item.itemCode, static_cast<uint8_t>(value & 0xFF)},
                {SettingsTable::kReceiptLengthHighCode, static_cast<uint8_t>(value >> 8)}};
    }
    if (!ValueOf(item, text, &value)) {
        return {};
    }
    return {{item.itemCode, static_cast<uint8_t>(value)}};
}

std::vector<SetCommand> SettingsEncoder::Encode(const SettingsCopy &copy, const PrinterModelInfo &model,
                                                std::vector<std::string> *refusals)
{
    std::vector<SetCommand> commands;
    for (int number : SettingsTable::WriteOrder()) {
        std::string refusal;
        for (const auto &command : EncodeItem(SettingsTable::Item(number), copy, model, &refusal)) {
            commands.push_back(command);
        }
        if (!refusal.empty() && refusals) {
            refusals->push_back(refusal);
        }
    }
    return commands;
}

}  // namespace rollvane
