// SettingsLocation
