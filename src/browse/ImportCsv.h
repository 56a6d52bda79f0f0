#pragma once

class MainApi;

// File, Utility, Import from CSV: picks a CSV export, shows what it holds and adds its accounts
// to the open file on Yes; then offers to overwrite and delete the CSV, which holds every
// password in plain text.
void importCsv(MainApi& main);
