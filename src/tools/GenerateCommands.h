#pragma once

#include <QString>

class AppServices;
class QWidget;

// Both answer the digest of what they put on the clipboard (empty when nothing went there), so
// that the caller can have it wiped a minute later like a copied password.

// The list's context command: one password of 10 characters onto the clipboard, as a secret.
QString menu_generate_password(AppServices& services);

// File > Utility > Generate train: asks how many passwords of what length, then puts them on
// the clipboard as a secret, each followed by CR LF. A cancelled, empty or non-positive answer,
// or a batch the engine refuses, ends it without a word.
QString menu_generate_train(AppServices& services, QWidget* parent);
