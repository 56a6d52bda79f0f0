#pragma once

class AppServices;
class QWidget;

// The list's context command: one password of 10 characters onto the clipboard, as a secret.
void menu_generate_password(AppServices& services);

// File > Utility > Generate train: asks how many passwords of what length, then puts them on
// the clipboard as a secret, each followed by CR LF. A cancelled, empty or non-positive answer,
// or a batch the engine refuses, ends it without a word.
void menu_generate_train(AppServices& services, QWidget* parent);
