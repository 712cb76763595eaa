select o.ID, b.TITLE from orders o, price p, brands b
where o.ID *= p.ID and p.BREND = b.BREND