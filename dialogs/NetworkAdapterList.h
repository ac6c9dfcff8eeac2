#pragma once
// The settings dialog's choice of the local network card. The platform lists
// the cards in the system's order; fkt_ToolsGetNetworkAdapters fills the
// visible list with one entry per card ("description (MAC: 00-1B-2C-3D-4E-5F
// | IP: 10.0.0.5)") and the hidden list with the card's address text under
// the same index, and selects the first card whose address equals the stored
// local address. The dialog stores the hidden entry of the chosen index.
#include <optional>
#include <string>

#include "core/Platform.h"

class QComboBox;

// The visible entry text of one card (bytes in the 8-bit code page).
std::string AdapterEntryText(const NetworkAdapterInfo& adapter);

// Empties and refills both lists from CurrentPlatform().NetworkAdapters(),
// selects the first entry whose address text equals `LocaleIpAddress` exactly
// (or none), and sizes the visible list's drop-down part.
void fkt_ToolsGetNetworkAdapters(QComboBox& cboNetworkAdapters, QComboBox& cboNetworkAdaptersMacAddress,
                                 const std::string& LocaleIpAddress);

// Sets the width of the drop-down part of `oCombo` (its popup view's minimum
// width, readable as oCombo.view()->minimumWidth()): `nFixWidth` pixels when
// given, otherwise the widest entry text + 10 pixels, + 15 more above eight
// entries, where the list needs a scroll bar. The closed list keeps its width.
void ComboSetListWidth(QComboBox& oCombo, std::optional<int> nFixWidth = std::nullopt);

// When the hidden list is empty (no card): the visible list gets one entry
// with text 3154, selected, in red, and locked against changing it.
void ApplyEmptyAdapterListRule(QComboBox& cboNetworkAdapters, const QComboBox& cboNetworkAdaptersMacAddress);

// Whether ApplyEmptyAdapterListRule locked `combo`.
bool IsComboLocked(const QComboBox& combo);
