select o.ID, p.NAME, p.CENA, o.KOL, p.EDIZM
from "C:\Zakaz\Zakaz1.zv" o, "C:\Zakaz\price.zv" p
where o.ID *= p.ID