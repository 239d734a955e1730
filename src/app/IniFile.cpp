// IniFile
