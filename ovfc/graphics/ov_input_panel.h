// The soft input panel as the framework sees it.
#pragma once

// Switches the soft input panel off when it is showing; nothing otherwise.
void HideInputPanel();
