#pragma once
// The maker's addresses shown on the About page, kept in one place.

// The home page of the layout, replaced at start-up by the Chinese-language one.
inline constexpr char HomePageAddress[] = "https://brisvale.example/";
inline constexpr char ChineseHomePageAddress[] = "https://brisvale.example/zh/";
inline constexpr char MailAddress[] = "brisvale@brisvale.example";
inline constexpr char MailScheme[] = "mailto:";
