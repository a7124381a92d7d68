// A temporary directory for log and parameter files, removed afterwards.
#pragma once

#include <string>

class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    const std::string& Cesta() const { return cesta_; }
    std::string operator/(const std::string& jmeno) const { return cesta_ + "/" + jmeno; }

private:
    std::string cesta_;
};

std::string CtiSoubor(const std::string& cesta);           // empty when missing
void ZapisSoubor(const std::string& cesta, const std::string& obsah);
bool Existuje(const std::string& cesta);
